// The speed curve, painted by the log itself: on the screen, on a printed page and in a PDF alike.
#include "ui/log/SpeedCurve.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

QString SpeedAxisTitle(SpeedUnit unit)
{
    return QStringLiteral("Speed (%1)").arg(UnitText(unit));
}

QString TargetName(double targetMph, SpeedUnit unit)
{
    return QStringLiteral("Target %1 %2").arg(QString::number(InUnit(targetMph, unit), 'f', 1), UnitText(unit));
}

double SpeedAxisTop(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph)
{
    double top = targetMph;
    for (const CurveLine& line : lines) {
        for (const CurvePoint& point : line.points) {
            top = std::max(top, point.max);
        }
    }
    // A round figure a little above, so that the highest bar does not touch the frame.
    const double shown = InUnit(top, unit) * 1.1;
    return shown <= 0.0 ? 10.0 : std::ceil(shown / 10.0) * 10.0;
}

QColor LineColour(std::size_t index)
{
    static const std::array<QColor, 6> colours{QColor(32, 120, 200), QColor(214, 96, 40), QColor(60, 150, 60),
                                               QColor(140, 80, 180), QColor(180, 40, 90), QColor(0, 128, 128)};
    return colours.at(index % colours.size());
}

namespace {

struct Drawn {
    std::vector<CurveLine> lines;
    SpeedUnit unit = SpeedUnit::Mph;
    double targetMph = 0.0;
};

// A round step between the figures of an axis: 1, 2 or 5 times a power of ten, at
// least `rough`.
double RoundStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(rough, 1e-9))));
    for (const double times : {1.0, 2.0, 5.0}) {
        if (times * power >= rough) {
            return times * power;
        }
    }
    return 10.0 * power;
}

// The axes with their figures, the lines with their bars, the target and the names.
void Paint(QPainter& painter, const QRectF& area, const Drawn& drawn)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    const auto legendLines = static_cast<double>(drawn.lines.size() + (drawn.targetMph > 0.0 ? 1 : 0));
    const QRectF plot = area.adjusted(line * 3.5, line * 1.5, -line, -line * (3 + legendLines));
    int highStep = 1;
    for (const CurveLine& curve : drawn.lines) {
        for (const CurvePoint& point : curve.points) {
            highStep = std::max(highStep, point.throttle);
        }
    }
    const double speedStep = RoundStep(SpeedAxisTop(drawn.lines, drawn.unit, drawn.targetMph) / 5.0);
    const double top = std::ceil(SpeedAxisTop(drawn.lines, drawn.unit, drawn.targetMph) / speedStep) * speedStep;
    const double throttleStep = RoundStep((highStep + 1) / 6.0);
    const double right = std::ceil((highStep + 1) / throttleStep) * throttleStep;
    const auto at = [&](double step, double mph) {
        return QPointF(plot.left() + plot.width() * step / right,
                       plot.bottom() - plot.height() * InUnit(mph, drawn.unit) / top);
    };
    for (double speed = 0.0; speed <= top + speedStep / 2; speed += speedStep) {
        const double y = plot.bottom() - plot.height() * speed / top;
        painter.setPen(Qt::lightGray);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y - line / 2, plot.left() - area.left() - line / 3, line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(speed, 'f', 0));
    }
    for (double step = 0.0; step <= right + throttleStep / 2; step += throttleStep) {
        const double x = plot.left() + plot.width() * step / right;
        painter.drawText(QRectF(x - line * 2, plot.bottom(), line * 4, line), Qt::AlignCenter,
                         QString::number(step, 'f', 0));
    }
    painter.drawRect(plot);
    painter.drawText(QRectF(plot.left(), plot.bottom() + line, plot.width(), line), Qt::AlignCenter,
                     QStringLiteral("Throttle step"));
    painter.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignLeft, SpeedAxisTitle(drawn.unit));
    double legend = plot.bottom() + line * 2.5;
    const auto name = [&](const QPen& pen, const QString& text) {
        painter.setPen(pen);
        painter.drawLine(QPointF(plot.left(), legend + line / 2), QPointF(plot.left() + line * 2, legend + line / 2));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(plot.left() + line * 2.5, legend + metrics.ascent()), text);
        legend += line;
    };
    for (std::size_t i = 0; i < drawn.lines.size(); ++i) {
        const CurveLine& curve = drawn.lines.at(i);
        const QPen pen(LineColour(i), 2);
        painter.setPen(pen);
        QPolygonF means;
        for (const CurvePoint& point : curve.points) {
            means << at(point.throttle, point.mean);
            painter.drawLine(at(point.throttle, point.min), at(point.throttle, point.max));
            painter.drawEllipse(means.back(), 3, 3);
        }
        painter.drawPolyline(means);
        name(pen, curve.name);
    }
    if (drawn.targetMph > 0.0) {
        const QPen pen(Qt::darkGray, 2, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(at(0, drawn.targetMph), at(right, drawn.targetMph));
        name(pen, TargetName(drawn.targetMph, drawn.unit));
    }
    painter.restore();
}

class Canvas : public QWidget {
public:
    explicit Canvas(QWidget* parent, const Drawn& drawn) : QWidget(parent), drawn_(drawn) {}

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        Paint(painter, rect(), drawn_);
    }

private:
    const Drawn& drawn_;
};

}  // namespace

struct SpeedCurve::Drawing {
    Drawn drawn;
    QWidget* canvas = nullptr;
};

SpeedCurve::SpeedCurve(QWidget* parent) : QWidget(parent), drawing_(std::make_unique<Drawing>())
{
    drawing_->canvas = new Canvas(this, drawing_->drawn);
    drawing_->canvas->setObjectName(QStringLiteral("vwCurve"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(drawing_->canvas);
}

SpeedCurve::~SpeedCurve() = default;

void SpeedCurve::Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph)
{
    drawing_->drawn = Drawn{lines, unit, targetMph};
    drawing_->canvas->update();
}

const std::vector<CurveLine>& SpeedCurve::Lines() const
{
    return drawing_->drawn.lines;
}

double SpeedCurve::TargetMph() const
{
    return drawing_->drawn.targetMph;
}

void SpeedCurve::Render(QPainter& painter, const QRectF& target) const
{
    Paint(painter, target, drawing_->drawn);
}
