// The Decoder tab's curve: the speeds measured, the target and the speeds the planned CVs should give, step by step, on the screen and on the decoder sheet.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

class QPainter;

struct DecoderCurveLine {
    enum class Kind { Measured, Target, Predicted };
    Kind kind = Kind::Measured;
    bool reverse = false;
    std::vector<std::pair<int, double>> points;  // step, speed in the unit shown
};

struct DecoderCurveData {
    std::vector<DecoderCurveLine> lines;
    int topStep = 126;
    QString unit = QStringLiteral("mph");
};

// Draws `data` into `area` in `ink`, with its scale and a key below.
void PaintDecoderCurve(QPainter& painter, const QRectF& area, const DecoderCurveData& data, const QColor& ink);

class DecoderCurve : public QWidget {
    Q_OBJECT

public:
    explicit DecoderCurve(QWidget* parent);
    void Show(DecoderCurveData data);
    const DecoderCurveData& Data() const { return data_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DecoderCurveData data_;
};
