// The speed curve painted by the program itself, where Qt Charts is not available.
#include "ui/log/SpeedCurve.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

struct Drawn {
    std::vector<CurveLine> lines;
    SpeedUnit unit = SpeedUnit::Mph;
    double targetMph = 0.0;
};

const std::array<QColor, 6> Colours{QColor(32, 159, 223), QColor(153, 202, 83), QColor(246, 166, 37),
                                    QColor(109, 95, 213), QColor(191, 89, 62),  QColor(0, 128, 128)};

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

struct SpeedCurve::Parts {
    Drawn drawn;
    QWidget* canvas = nullptr;
};

SpeedCurve::SpeedCurve(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>())
{
    parts_->canvas = new Canvas(this, parts_->drawn);
    parts_->canvas->setObjectName(QStringLiteral("vwCurve"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(parts_->canvas);
}

SpeedCurve::~SpeedCurve() = default;

void SpeedCurve::Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph)
{
    parts_->drawn = Drawn{lines, unit, targetMph};
    parts_->canvas->update();
}

void SpeedCurve::Render(QPainter& painter, const QRectF& target) const
{
    Paint(painter, target, parts_->drawn);
}
