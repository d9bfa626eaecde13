// The speed log's figures: runs grouped by locomotive, throttle step and direction, the speed curve, speed matching.
#pragma once

#include "core/RunRecords.h"
#include "core/RunStats.h"

#include <QString>
#include <QStringList>

#include <vector>

enum class SpeedUnit { Mph, Kmh };

// A speed in mph shown in `unit`, and the unit's own short name ("mph", "km/h").
double InUnit(double mph, SpeedUnit unit);
QString UnitText(SpeedUnit unit);

// The runs of one locomotive at one throttle step in one direction.
struct StepGroup {
    QString locomotive;
    int throttle = 0;
    bool reverse = false;
    std::vector<std::size_t> runs;  // where its runs stand in the list grouped
    std::vector<bool> marked;       // for each of them: more than 15 % from the median
    GroupStats stats;               // of the runs counted (in mph)
    int leftOut = 0;                // marked runs not counted
};

// The groups of `runs`, by locomotive (as a person sorts names), forward before
// reverse, then by throttle step. With `leaveMarkedOut`, marked runs are not counted
// in a group's figures (a group of marked runs only counts them all).
std::vector<StepGroup> GroupsOf(const std::vector<LoggedRun>& runs, bool leaveMarkedOut);

// For each run of `runs`, whether it is marked in its group.
std::vector<bool> MarkedRuns(const std::vector<StepGroup>& groups, std::size_t runCount);

// One line of the speed curve: a locomotive's means (with lowest and highest) step by step in one direction.
struct CurvePoint {
    int throttle = 0;
    double mean = 0.0;
    double min = 0.0;
    double max = 0.0;
};
struct CurveLine {
    QString name;  // "GP9 4071", with " (reverse)" for the runs backwards
    std::vector<CurvePoint> points;
};
// The lines of the chosen locomotives, in the order given, in mph.
std::vector<CurveLine> CurveOf(const std::vector<StepGroup>& groups, const QStringList& locomotives);

// At each step (and direction) where both locomotives have runs: their means and
// how much faster `second` runs than `first` (negative where slower), in mph.
struct StepDifference {
    int throttle = 0;
    bool reverse = false;
    double first = 0.0;
    double second = 0.0;
    double difference = 0.0;
};
std::vector<StepDifference> DifferencesOf(const std::vector<StepGroup>& groups, const QString& first,
                                          const QString& second);

// The columns of the per-step means CSV file, and one group's line (both units).
QStringList MeansCsvHeader();
QStringList MeansCsvFields(const StepGroup& group);
