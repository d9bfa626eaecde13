// A paint device that keeps what a widget's real paint drew: each piece of text with its place, and each line.
#pragma once

#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPen>
#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

struct RecordedText {
    QPointF baseline;  // where the text starts, on its baseline, in device pixels
    QString text;
    QFont font;
};

struct RecordedLine {
    QLineF line;  // device pixels
    QPen pen;
};

// A 96 dpi surface like the screen's: rendering a widget onto it runs the widget's
// own paint handling (and its children's) and records instead of drawing pixels.
class PaintRecorder final : public QPaintDevice {
public:
    explicit PaintRecorder(QSize size);
    ~PaintRecorder() override;
    PaintRecorder(const PaintRecorder&) = delete;
    PaintRecorder& operator=(const PaintRecorder&) = delete;

    // Renders `widget` (without its children when `alone`) and returns this recorder.
    PaintRecorder& Record(QWidget& widget, bool alone = false);

    std::vector<RecordedText> texts;
    std::vector<RecordedLine> lines;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<QPaintEngine> engine_;
};
