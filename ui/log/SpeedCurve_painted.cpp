// The speed curve painted by the program itself, where Qt Charts is not available.
#include "ui/log/SpeedCurve.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct Drawn {
    std::vector<CurveLine> lines;
    SpeedUnit unit = SpeedUnit::Mph;
    double targetMph = 0.0;
};

const std::array<QColor, 6> Colours{QColor(32, 159, 223), QColor(153, 202, 83), QColor(246, 166, 37),
                                    QColor(109, 95, 213), QColor(191, 89, 62),  QColor(0, 128, 128)};

// The axes with their figures, the lines with their bars, the target and the names.
void Paint(QPainter& painter, const QRectF& area, const Drawn& drawn)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    const QRectF plot = area.adjusted(line * 4, line, -line, -line * (3 + static_cast<double>(drawn.lines.size())));
    int highStep = 1;
    for (const CurveLine& curve : drawn.lines) {
        for (const CurvePoint& point : curve.points) {
            highStep = std::max(highStep, point.throttle);
        }
    }
    const double top = SpeedAxisTop(drawn.lines, drawn.unit, drawn.targetMph);
    const auto at = [&](double step, double mph) {
        return QPointF(plot.left() + plot.width() * step / (highStep + 1),
                       plot.bottom() - plot.height() * InUnit(mph, drawn.unit) / top);
    };
    painter.setPen(Qt::lightGray);
    for (int tick = 0; tick <= 5; ++tick) {
        const double y = plot.bottom() - plot.height() * tick / 5.0;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y - line / 2, line * 3.6, line), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(top * tick / 5.0, 'f', 0));
        painter.setPen(Qt::lightGray);
    }
    painter.setPen(Qt::black);
    painter.drawRect(plot);
    painter.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), line * 1.5), Qt::AlignCenter,
                     QStringLiteral("Throttle step (0 to %1)").arg(highStep + 1));
    painter.drawText(QRectF(area.left(), area.top(), plot.left() - area.left(), line), Qt::AlignLeft,
                     SpeedAxisTitle(drawn.unit));
    double legend = plot.bottom() + line * 1.8;
    for (std::size_t i = 0; i < drawn.lines.size(); ++i) {
        const CurveLine& curve = drawn.lines.at(i);
        const QColor colour = LineColour(i);
        painter.setPen(QPen(colour, 2));
        QPainterPath path;
        for (const CurvePoint& point : curve.points) {
            const QPointF mean = at(point.throttle, point.mean);
            path.isEmpty() ? path.moveTo(mean) : path.lineTo(mean);
            painter.drawLine(at(point.throttle, point.min), at(point.throttle, point.max));
            painter.drawEllipse(mean, 3, 3);
        }
        painter.drawPath(path);
        painter.drawLine(QPointF(plot.left(), legend + line / 2), QPointF(plot.left() + line * 2, legend + line / 2));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(plot.left() + line * 2.5, legend + metrics.ascent()), curve.name);
        legend += line;
    }
    if (drawn.targetMph > 0.0) {
        painter.setPen(QPen(Qt::darkGray, 2, Qt::DashLine));
        painter.drawLine(at(0, drawn.targetMph), at(highStep + 1, drawn.targetMph));
        painter.drawText(at(0, drawn.targetMph) + QPointF(line / 2, -line / 4),
                         TargetName(drawn.targetMph, drawn.unit));
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
