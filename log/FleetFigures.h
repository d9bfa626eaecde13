// The speed log's figures: runs grouped by locomotive, throttle step and direction, the speed curve, speed matching.
#pragma once

#include "log/RunRecords.h"
#include "log/RunStats.h"

#include <QString>
#include <QStringList>

#include <vector>

enum class SpeedUnit { Mph, Kmh };

// A speed in mph shown in `unit`, and the unit's own short name ("mph", "km/h").
double InUnit(double mph, SpeedUnit unit);
QString UnitText(SpeedUnit unit);

// Where a group of runs belongs: one locomotive at one throttle step in one direction.
struct StepKey {
    QString locomotive;
    bool reverse = false;
    int throttle = 0;
    bool operator==(const StepKey& other) const = default;
};
size_t qHash(const StepKey& key, size_t seed = 0);

// The runs of one locomotive at one throttle step in one direction, and their figures.
struct StepGroup {
    StepKey key;
    StepFigures figures;
};

// Locomotives as a person sorts names ("gp9" beside "GP9", "GP10" after "GP9"),
// then forward before reverse, then by throttle step.
bool ReadingOrder(const StepKey& a, const StepKey& b);
void SortForReading(std::vector<StepGroup>& groups);

// The groups of `runs`, in reading order.
std::vector<StepGroup> GroupsOf(const std::vector<LoggedRun>& runs);

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
    QString locomotive;
    bool reverse = false;
};
// The lines of the chosen locomotives, in the order given, in mph; with
// `leaveMarkedOut` the figures of each step leave its marked runs out.
std::vector<CurveLine> CurveOf(const std::vector<StepGroup>& groups, const QStringList& locomotives,
                               bool leaveMarkedOut);

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
                                          const QString& second, bool leaveMarkedOut);

// The columns of the per-step means CSV file, and one group's line (both units).
QStringList MeansCsvHeader();
QStringList MeansCsvFields(const StepGroup& group, bool leaveMarkedOut, CsvForm form = CsvForm::Comma);
