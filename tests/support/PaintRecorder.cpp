// The recording paint engine behind PaintRecorder.
#include "PaintRecorder.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <QWidget>

namespace {

class RecordingEngine final : public QPaintEngine {
public:
    explicit RecordingEngine(PaintRecorder& recorder) : QPaintEngine(QPaintEngine::AllFeatures), recorder_(recorder) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & QPaintEngine::DirtyTransform) {
            transform_ = state.transform();
        }
        if (state.state() & QPaintEngine::DirtyPen) {
            pen_ = state.pen();
        }
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        recorder_.texts.push_back({transform_.map(p), item.text(), item.font()});
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            recorder_.lines.push_back({transform_.map(lines[i]), pen_});
        }
    }
    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            recorder_.lines.push_back({transform_.map(QLineF(lines[i])), pen_});
        }
    }
    // Frames, fills and the like are no text and no line of the window's own.
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawRects(const QRectF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}

private:
    PaintRecorder& recorder_;
    QTransform transform_;
    QPen pen_;
};

}  // namespace

PaintRecorder::PaintRecorder(QSize size) : size_(size), engine_(std::make_unique<RecordingEngine>(*this)) {}

PaintRecorder::~PaintRecorder() = default;

PaintRecorder& PaintRecorder::Record(QWidget& widget, bool alone)
{
    texts.clear();
    lines.clear();
    widget.render(this, QPoint(), QRegion(),
                  alone ? QWidget::RenderFlags(QWidget::DrawWindowBackground) : QWidget::DrawChildren);
    return *this;
}

QPaintEngine* PaintRecorder::paintEngine() const
{
    return engine_.get();
}

int PaintRecorder::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return size_.width();
    case PdmHeight:
        return size_.height();
    case PdmWidthMM:
        return qRound(size_.width() * 25.4 / 96);
    case PdmHeightMM:
        return qRound(size_.height() * 25.4 / 96);
    case PdmNumColors:
        return 1 << 24;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}
