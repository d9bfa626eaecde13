// Reading the curve's series from Qt Charts.
#include "ChartPoints.h"

#include <QChartView>
#include <QXYSeries>

std::optional<QMap<QString, QList<QPointF>>> ChartPoints(const QWidget& window)
{
    const auto* view = window.findChild<QChartView*>(QStringLiteral("vwCurve"));
    if (view == nullptr) {
        return std::nullopt;
    }
    QMap<QString, QList<QPointF>> points;
    for (const QAbstractSeries* series : view->chart()->series()) {
        points.insert(series->name(), static_cast<const QXYSeries*>(series)->points());
    }
    return points;
}
