// The run timer's arithmetic: the shown time, what it hands to the main window, its speed and the pace of a table speed.
#pragma once

#include "core/MeasuredRun.h"
#include "core/TrackNow.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// Half a second: the shortest run the elapsed time can take (it rounds to 1 s), and
// the shortest worth a speed, as no hand times a shorter one.
inline constexpr qint64 ShortestRunTenths = 5;

// Whole tenths of a second, cut as a stopwatch shows them: 12.39 s shows 12.3.
qint64 ShownTenths(qint64 milliseconds);
// "12.3" for 123 tenths, "0.4" for 4.
QString TenthsText(qint64 tenths);

// The elapsed time the main window gets for a run of `tenths`: rounded half away
// from zero to whole seconds. Nothing for a run under 0.5 s or over 60.4 s, which
// the elapsed time (1 to 60 seconds) cannot hold.
std::optional<int> HandedOverSeconds(qint64 tenths);

// Scale miles per hour over `scaleDistance` feet in `seconds`, not rounded.
double SpeedOver(float scaleDistance, double seconds);
// The speed from the tenths and the range that a timing error of 0.2 s either way
// gives: "23.7 mph (23.3–24.2 for ±0.2 s)". One decimal, or as many more (up to
// four) as it takes for the two ends of the range to differ.
QString SpeedWithRange(float scaleDistance, qint64 tenths);

// A device's run at 1:`ratio`, as the run timer tells it: "94.6 mph (±4 µs)", the
// device's own resolution in place of a hand's range.
// A measured run's scale speed in mph at the scale `ratio` (87 for HO).
double MeasuredMph(const MeasuredRun& run, double ratio);
QString MeasuredSpeedText(const MeasuredRun& run, double ratio);
// Whether a device measured over the main window's `track`: a straight run as long as
// the device's distance, to half a millimetre. Only then may its time be handed over.
bool OverTrack(const MeasuredRun& run, const TrackNow& track);

// A pace run's time in tenths, rounded: 5932 ms is 5.9 s.
qint64 RunTenths(qint64 runMs);
// The pace countdown: the time to the next mark in tenths, rounded up, at most the
// rounded run time.
QString CountdownText(qint64 untilNextMs, qint64 runMs);
// "1 run", "3 runs", "0 runs".
QString RunsText(qint64 runs);

// When input events happened, on the program's own clock. The window system stamps
// each event with the moment it happened (in milliseconds of its own clock); a busy
// program handles it later. The smallest delay between a stamp and its handling seen
// so far ties the two clocks together, so that a press handled late still counts
// from the moment of the press.
class EventTimes {
public:
    // An event stamped `stamp` (0: none) handled when the clock read `now`.
    void Seen(quint64 stamp, qint64 now);
    // When the event stamped `stamp`, handled at `now`, happened on the clock: `now`
    // for an event without a stamp, or where the stamp says nothing sensible (a
    // window system's clock that went round, or a press more than a minute ago).
    qint64 At(quint64 stamp, qint64 now) const;

private:
    std::optional<qint64> offset_;  // clock minus stamp, least seen
};
