// What the two drawings of the speed curve share.
#include "ui/log/SpeedCurve.h"

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
