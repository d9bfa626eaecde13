// The speed curve, painted by the log itself: on the screen, on a printed page and in a PDF alike.
#include "ui/log/SpeedCurve.h"

#include <QHelpEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QToolTip>

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

// What the legend names: each line, then the target.
struct LegendLine {
    QString name;
    QPen pen;
};

// The legend's entries laid out in rows from the top-left of `area`: each a sample of
// its line and its name, as many to a row as fit; a name too long for a row alone is
// shortened.
std::vector<LegendEntry> LayOutLegend(const std::vector<LegendLine>& names, const QRectF& area,
                                      const QFontMetricsF& metrics, double point)
{
    const double sample = 18 * point;
    const double gap = 4 * point;
    const double spacing = 12 * point;
    const double line = metrics.height();
    std::vector<LegendEntry> entries;
    double x = area.left();
    double y = area.top();
    for (const LegendLine& named : names) {
        const double room = area.width() - sample - gap;
        const QString shown =
            metrics.horizontalAdvance(named.name) <= room ? named.name : metrics.elidedText(named.name, Qt::ElideRight, room);
        const double width = sample + gap + metrics.horizontalAdvance(shown);
        if (x > area.left() && x + width > area.right()) {
            x = area.left();
            y += line;
        }
        entries.push_back({QRectF(x, y, width, line), named.name, shown});
        x += width + spacing;
    }
    return entries;
}

std::vector<LegendEntry> Paint(QPainter& painter, const QRectF& area, const std::vector<CurveLine>& lines,
                               SpeedUnit unit, double targetMph)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    // The device's own units per point: the same lines on a screen, a page and a PDF.
    const double point = painter.device()->logicalDpiY() / 72.0;
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();

    // A colour for each locomotive; its reverse line dashed in the same colour.
    QStringList locomotives;
    std::vector<LegendLine> names;
    for (const CurveLine& curve : lines) {
        if (!locomotives.contains(curve.locomotive)) {
            locomotives << curve.locomotive;
        }
        QPen pen(LineColour(static_cast<std::size_t>(locomotives.indexOf(curve.locomotive))), CurvePenPoints * point);
        pen.setStyle(curve.reverse ? Qt::DashLine : Qt::SolidLine);
        names.push_back({curve.name, pen});
    }
    QPen targetPen(Qt::darkGray, CurvePenPoints * point, Qt::DashDotLine);
    if (targetMph > 0.0) {
        names.push_back({TargetName(targetMph, unit), targetPen});
    }
    const double left = area.left() + line * 3.5;
    const QRectF legendArea(left, 0, area.right() - line - left, 0);
    std::vector<LegendEntry> legend = LayOutLegend(names, legendArea, metrics, point);
    const double legendHeight = legend.empty() ? 0.0 : legend.back().area.bottom() + line * 0.5;
    const QRectF plot = area.adjusted(line * 3.5, line * 1.5, -line, -(line * 3 + legendHeight));
    for (LegendEntry& entry : legend) {
        entry.area.translate(0, plot.bottom() + line * 2.5);
    }

    int highStep = 1;
    for (const CurveLine& curve : lines) {
        for (const CurvePoint& mark : curve.points) {
            highStep = std::max(highStep, mark.throttle);
        }
    }
    const double axisTop = SpeedAxisTop(lines, unit, targetMph);
    const double speedStep = RoundStep(axisTop / 5.0);
    const double top = std::ceil(axisTop / speedStep) * speedStep;
    const double throttleStep = RoundStep((highStep + 1) / 6.0);
    const double right = std::ceil((highStep + 1) / throttleStep) * throttleStep;
    const auto at = [&](double step, double mph) {
        return QPointF(plot.left() + plot.width() * step / right, plot.bottom() - plot.height() * InUnit(mph, unit) / top);
    };
    const QPen grid(Qt::lightGray, 0.5 * point);
    const QPen frame(Qt::black, 0.75 * point);
    for (double speed = 0.0; speed <= top + speedStep / 2; speed += speedStep) {
        const double y = plot.bottom() - plot.height() * speed / top;
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(frame);
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
    painter.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignLeft, SpeedAxisTitle(unit));

    for (std::size_t i = 0; i < lines.size(); ++i) {
        QPen pen = names.at(i).pen;
        QPen bars = pen;
        bars.setWidthF(BarPenPoints * point);
        bars.setStyle(Qt::SolidLine);
        painter.setBrush(pen.color());
        QPolygonF means;
        for (const CurvePoint& mark : lines.at(i).points) {
            means << at(mark.throttle, mark.mean);
            painter.setPen(bars);
            painter.drawLine(at(mark.throttle, mark.min), at(mark.throttle, mark.max));
            painter.drawEllipse(means.back(), MarkRadiusPoints * point, MarkRadiusPoints * point);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(pen);
        painter.drawPolyline(means);
    }
    if (targetMph > 0.0) {
        painter.setPen(targetPen);
        painter.drawLine(at(0, targetMph), at(right, targetMph));
    }
    // The legend: a sample of each line, and its name as plain text.
    for (std::size_t i = 0; i < legend.size(); ++i) {
        const LegendEntry& entry = legend.at(i);
        const double middle = entry.area.center().y();
        painter.setPen(names.at(i).pen);
        painter.drawLine(QPointF(entry.area.left(), middle), QPointF(entry.area.left() + 18 * point, middle));
        painter.setPen(frame);
        painter.drawText(QRectF(entry.area.left() + 22 * point, entry.area.top(), entry.area.width() - 22 * point,
                                entry.area.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entry.shown);
    }
    painter.restore();
    return legend;
}

}  // namespace

SpeedCurve::SpeedCurve(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("vwCurve"));
    setMinimumSize(240, 160);
}

void SpeedCurve::Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph)
{
    lines_ = lines;
    unit_ = unit;
    targetMph_ = targetMph;
    update();
}

std::vector<LegendEntry> SpeedCurve::Render(QPainter& painter, const QRectF& target) const
{
    return Paint(painter, target, lines_, unit_, targetMph_);
}

void SpeedCurve::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    legend_ = Paint(painter, rect(), lines_, unit_, targetMph_);
}

bool SpeedCurve::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The whole name of a shortened legend entry.
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto shortened = std::find_if(legend_.begin(), legend_.end(), [help](const LegendEntry& entry) {
            return entry.area.contains(help->pos()) && entry.shown != entry.name;
        });
        if (shortened != legend_.end()) {
            QToolTip::showText(help->globalPos(), shortened->name, this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}
