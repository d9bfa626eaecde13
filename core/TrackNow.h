// The track now shown in the main window, as the program hands it to the speed log, and its exact scale distance.
#pragma once

#include <QString>

inline constexpr double MillimetresPerInch = 25.4;

// The track a run was timed over, as the main window shows it at that moment.
struct TrackNow {
    QString scale;       // "HO"
    double ratio = 0.0;  // 87
    bool circle = false;
    double inches = 0.0;  // the length of the run, or the circle's radius; 0 for none
};

// The exact scale distance of `track` in feet: inches x ratio / 12, for a circle
// its circumference. (The main window shows whole feet; the log keeps the exact
// distance, so that its speeds are exact.)
double ScaleFeetOf(const TrackNow& track);
