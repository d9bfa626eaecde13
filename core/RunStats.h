// The speed log's arithmetic: a timed run's speed in mph and km/h, and the statistics of a group of runs.
#pragma once

#include <QtGlobal>

#include <vector>

inline constexpr double KilometresPerMile = 1.609344;
// A run more than this share away from its group's median is marked as doubtful.
inline constexpr double OutlierShare = 0.15;

// Scale miles per hour over `scaleFeet` in `milliseconds`, not rounded: the exact
// time, not the whole seconds the main window works with.
double RunMph(double scaleFeet, qint64 milliseconds);
double KmhOf(double mph);

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
// For each speed, whether it lies more than OutlierShare away from the median.
std::vector<bool> MarkedOf(const std::vector<double>& speeds);
