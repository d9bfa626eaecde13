// Tenths, hand-over, speed with its range, and pace marks.
#include "core/RunTiming.h"

#include <cmath>

namespace {

constexpr double SecondsPerHour = 3600.0;
constexpr double FeetPerMile = 5280.0;
constexpr qint64 TenthsPerSecond = 10;
constexpr qint64 FirstTenths = 5;    // 0.5 s rounds to 1 s
constexpr qint64 LastTenths = 604;   // 60.4 s rounds to 60 s
constexpr double ReactionSeconds = 0.2;

// One decimal, halves away from zero.
QString OneDecimal(double value)
{
    return QString::number(std::floor(value * 10.0 + 0.5) / 10.0, 'f', 1);
}

}  // namespace

qint64 ShownTenths(qint64 milliseconds)
{
    return milliseconds < 0 ? 0 : milliseconds / 100;
}

QString TenthsText(qint64 tenths)
{
    return QStringLiteral("%1.%2").arg(tenths / TenthsPerSecond).arg(tenths % TenthsPerSecond);
}

std::optional<int> HandedOverSeconds(qint64 tenths)
{
    if (tenths < FirstTenths || tenths > LastTenths) {
        return std::nullopt;
    }
    return static_cast<int>((tenths + TenthsPerSecond / 2) / TenthsPerSecond);
}

double SpeedOver(float scaleDistance, double seconds)
{
    return static_cast<double>(scaleDistance) / FeetPerMile / (seconds / SecondsPerHour);
}

QString SpeedWithRange(float scaleDistance, qint64 tenths)
{
    const double seconds = static_cast<double>(tenths) / TenthsPerSecond;
    return QStringLiteral("%1 mph (%2\u2013%3 for \u00B10.2 s)")
        .arg(OneDecimal(SpeedOver(scaleDistance, seconds)), OneDecimal(SpeedOver(scaleDistance, seconds + ReactionSeconds)),
             OneDecimal(SpeedOver(scaleDistance, seconds - ReactionSeconds)));
}

PacePoint PaceAt(qint64 elapsedMs, qint64 runMs)
{
    const qint64 passed = elapsedMs < 0 ? 0 : elapsedMs / runMs + 1;
    return {passed, passed * runMs};
}
