// The run timer's arithmetic: the shown time, what it hands to the main window, its speed and the pace of a table speed.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

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
// gives, each with one decimal: "23.7 mph (23.3–24.2 for ±0.2 s)".
QString SpeedWithRange(float scaleDistance, qint64 tenths);

// Where a pace stands `elapsedMs` after its start, with a mark every `runMs`: the
// start is mark 0, so mark n falls at n x runMs.
struct PacePoint {
    qint64 marksPassed;  // marks at or before now, the start included
    qint64 nextMarkMs;   // when the next one falls, counted from the start
};
PacePoint PaceAt(qint64 elapsedMs, qint64 runMs);
