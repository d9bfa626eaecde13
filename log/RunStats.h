// The speed log's arithmetic: a timed run's speed in mph and km/h, and the figures of a group of runs.
#pragma once

#include <QtGlobal>

#include <vector>

inline constexpr double KilometresPerMile = 1.609344;
// A run more than this share away from its group's median is marked as doubtful.
inline constexpr double OutlierShare = 0.15;

// Scale miles per hour over `scaleFeet` in `microseconds`, not rounded: the exact
// time, not the whole seconds the main window works with.
double RunMph(double scaleFeet, qint64 microseconds);
double KmhOf(double mph);
double MphOf(double kmh);

// One group's figures: the runs of one locomotive at one throttle step in one
// direction. The standard deviation is the sample's (n - 1); it is 0 for one run.
struct GroupStats {
    int count = 0;
    double mean = 0.0;
    double sd = 0.0;
    double min = 0.0;
    double max = 0.0;
};
GroupStats StatsOf(const std::vector<double>& speeds);

// The median of `speeds` (empty: 0).
double MedianOf(std::vector<double> speeds);
// Whether a run of `mph` lies more than OutlierShare away from its group's `median`.
bool IsMarked(double mph, double median);
// For each speed, whether it is marked against the median of them all.
std::vector<bool> MarkedOf(const std::vector<double>& speeds);

// A group's figures both ways: over every run, and over the runs that are not
// marked (every run, where all of them are: none then stands out from the others).
struct StepFigures {
    double median = 0.0;
    GroupStats all;
    GroupStats kept;
    int LeftOut() const { return all.count - kept.count; }
    const GroupStats& Counted(bool leaveMarkedOut) const { return leaveMarkedOut ? kept : all; }
};
StepFigures FiguresOf(const std::vector<double>& speeds);
