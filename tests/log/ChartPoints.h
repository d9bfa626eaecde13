// The points of the speed curve's chart as its model holds them, where the build draws it with Qt Charts.
#pragma once

#include <QList>
#include <QMap>
#include <QPointF>
#include <QString>

#include <optional>

class QWidget;

// Each series of the curve in `window` by name; nothing where there is no chart.
std::optional<QMap<QString, QList<QPointF>>> ChartPoints(const QWidget& window);
