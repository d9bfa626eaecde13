// Tenths, hand-over, speed with its range, and pace marks.
#include "core/RunTiming.h"

#include "core/Scales.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 TenthsPerSecond = 10;
constexpr qint64 LastTenths = 604;   // 60.4 s rounds to 60 s
constexpr double ReactionSeconds = 0.2;

constexpr int MostDecimals = 4;
constexpr double MillimetresPerFoot = 304.8;
constexpr double MicrosPerSecond = 1e6;
constexpr double LengthToleranceMm = 0.5;
// The most an event can have waited to be handled and still be placed by its stamp.
constexpr qint64 LongestDelayMs = 60'000;

// `decimals` decimals, halves away from zero.
QString Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return QString::number(std::floor(value * scale + 0.5) / scale, 'f', decimals);
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
    if (tenths < ShortestRunTenths || tenths > LastTenths) {
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
    const double speed = SpeedOver(scaleDistance, seconds);
    const double slow = SpeedOver(scaleDistance, seconds + ReactionSeconds);
    const double fast = SpeedOver(scaleDistance, seconds - ReactionSeconds);
    // A slow run's range is narrow: one decimal would show it as, say, 3.9-3.9.
    int decimals = 1;
    while (decimals < MostDecimals && slow != fast && Rounded(slow, decimals) == Rounded(fast, decimals)) {
        ++decimals;
    }
    return QStringLiteral("%1 mph (%2\u2013%3 for \u00B10.2 s)")
        .arg(Rounded(speed, decimals), Rounded(slow, decimals), Rounded(fast, decimals));
}

double MeasuredMph(const MeasuredRun& run, double ratio)
{
    const double scaleMiles = run.millimetres * ratio / MillimetresPerFoot / FeetPerMile;
    const double hours = static_cast<double>(run.microseconds) / MicrosPerSecond / SecondsPerHour;
    return scaleMiles / hours;
}

QString MeasuredSpeedText(const MeasuredRun& run, double ratio)
{
    const QString speed = Rounded(MeasuredMph(run, ratio), 1) + QStringLiteral(" mph");
    return run.resolution.isEmpty() ? speed : speed + QStringLiteral(" (%1)").arg(run.resolution);
}

bool OverTrack(const MeasuredRun& run, const TrackNow& track)
{
    return !track.circle && std::abs(track.inches * MillimetresPerInch - run.millimetres) <= LengthToleranceMm;
}

QString CountdownText(qint64 untilNextMs, qint64 runMs)
{
    // Up to the next tenth, as a countdown shows it, but never above the run time
    // shown beside it (rounded): a 5.93 s run counts down from 5.9, not 6.0.
    const qint64 upward = ShownTenths(std::max<qint64>(0, untilNextMs) + 99);
    return TenthsText(std::min(upward, RunTenths(runMs)));
}

qint64 RunTenths(qint64 runMs)
{
    return ShownTenths(runMs + 50);
}

QString RunsText(qint64 runs)
{
    return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs);
}

void EventTimes::Seen(quint64 stamp, qint64 now)
{
    if (stamp == 0) {
        return;
    }
    const qint64 offset = now - static_cast<qint64>(stamp);
    // A stamp far off the others (the window system's clock went round) starts afresh.
    if (!offset_ || offset < *offset_ || offset - *offset_ > LongestDelayMs) {
        offset_ = offset;
    }
}

qint64 EventTimes::At(quint64 stamp, qint64 now) const
{
    if (stamp == 0 || !offset_) {
        return now;
    }
    const qint64 at = static_cast<qint64>(stamp) + *offset_;
    return at > now || now - at > LongestDelayMs ? now : at;
}
