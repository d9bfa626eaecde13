// Grouping the speed log's runs and drawing their figures together.
#include "core/FleetFigures.h"

#include <algorithm>
#include <map>
#include <tuple>

double InUnit(double mph, SpeedUnit unit)
{
    return unit == SpeedUnit::Kmh ? KmhOf(mph) : mph;
}

QString UnitText(SpeedUnit unit)
{
    return unit == SpeedUnit::Kmh ? QStringLiteral("km/h") : QStringLiteral("mph");
}

namespace {

// The next run of digits, or of anything else, in `text` from `at`.
QStringView Chunk(QStringView text, qsizetype at)
{
    qsizetype end = at;
    const bool digits = text.at(at).isDigit();
    while (end < text.size() && text.at(end).isDigit() == digits) {
        ++end;
    }
    return text.sliced(at, end - at);
}

// Names sorted as a person reads them: "gp9" beside "GP9", "GP10" after "GP9".
bool NameBefore(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView x = Chunk(a, i);
        const QStringView y = Chunk(b, j);
        int order = 0;
        if (x.at(0).isDigit() && y.at(0).isDigit()) {
            // As numbers: the longer (without leading zeros) is the larger.
            const auto significant = [](QStringView digits) {
                while (digits.size() > 1 && digits.at(0) == u'0') {
                    digits = digits.sliced(1);
                }
                return digits;
            };
            const QStringView p = significant(x);
            const QStringView q = significant(y);
            order = p.size() != q.size() ? (p.size() < q.size() ? -1 : 1) : p.compare(q);
        } else {
            order = QString::localeAwareCompare(x.toString().toCaseFolded(), y.toString().toCaseFolded());
        }
        if (order != 0) {
            return order < 0;
        }
        i += x.size();
        j += y.size();
    }
    if ((i < a.size()) != (j < b.size())) {
        return j < b.size();  // the shorter first
    }
    return a < b;
}

struct GroupKey {
    QString locomotive;
    bool reverse = false;
    int throttle = 0;
    bool operator<(const GroupKey& other) const
    {
        if (locomotive != other.locomotive) {
            return NameBefore(locomotive, other.locomotive);
        }
        return std::tie(reverse, throttle) < std::tie(other.reverse, other.throttle);
    }
};

void Count(StepGroup& group, const std::vector<LoggedRun>& runs, bool leaveMarkedOut)
{
    std::vector<double> speeds;
    for (const std::size_t at : group.runs) {
        speeds.push_back(runs.at(at).mph);
    }
    group.marked = MarkedOf(speeds);
    std::vector<double> counted;
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        if (!(leaveMarkedOut && group.marked.at(i))) {
            counted.push_back(speeds.at(i));
        }
    }
    if (counted.empty()) {
        counted = speeds;  // every run marked: none stands out from the others
    }
    group.leftOut = static_cast<int>(speeds.size() - counted.size());
    group.stats = StatsOf(counted);
}

QString Decimals(double value)
{
    return QString::number(value, 'f', 3);
}

}  // namespace

std::vector<StepGroup> GroupsOf(const std::vector<LoggedRun>& runs, bool leaveMarkedOut)
{
    std::map<GroupKey, StepGroup> keyed;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const LoggedRun& run = runs.at(i);
        StepGroup& group = keyed[GroupKey{run.locomotive, run.reverse, run.throttle}];
        group.locomotive = run.locomotive;
        group.throttle = run.throttle;
        group.reverse = run.reverse;
        group.runs.push_back(i);
    }
    std::vector<StepGroup> groups;
    groups.reserve(keyed.size());
    for (auto& [key, group] : keyed) {
        Count(group, runs, leaveMarkedOut);
        groups.push_back(std::move(group));
    }
    return groups;
}

std::vector<bool> MarkedRuns(const std::vector<StepGroup>& groups, std::size_t runCount)
{
    std::vector<bool> marked(runCount, false);
    for (const StepGroup& group : groups) {
        for (std::size_t i = 0; i < group.runs.size(); ++i) {
            marked.at(group.runs.at(i)) = group.marked.at(i);
        }
    }
    return marked;
}

std::vector<CurveLine> CurveOf(const std::vector<StepGroup>& groups, const QStringList& locomotives)
{
    std::vector<CurveLine> lines;
    for (const QString& locomotive : locomotives) {
        for (const bool reverse : {false, true}) {
            CurveLine line{reverse ? locomotive + QStringLiteral(" (reverse)") : locomotive, {}};
            for (const StepGroup& group : groups) {
                if (group.locomotive == locomotive && group.reverse == reverse) {
                    line.points.push_back({group.throttle, group.stats.mean, group.stats.min, group.stats.max});
                }
            }
            if (!line.points.empty()) {
                lines.push_back(std::move(line));
            }
        }
    }
    return lines;
}

std::vector<StepDifference> DifferencesOf(const std::vector<StepGroup>& groups, const QString& first,
                                          const QString& second)
{
    std::vector<StepDifference> differences;
    for (const StepGroup& a : groups) {
        if (a.locomotive != first) {
            continue;
        }
        const auto b = std::find_if(groups.begin(), groups.end(), [&](const StepGroup& group) {
            return group.locomotive == second && group.throttle == a.throttle && group.reverse == a.reverse;
        });
        if (b != groups.end()) {
            differences.push_back({a.throttle, a.reverse, a.stats.mean, b->stats.mean, b->stats.mean - a.stats.mean});
        }
    }
    return differences;
}

QStringList MeansCsvHeader()
{
    return {"locomotive", "throttle", "direction", "runs",   "left_out", "mean_mph", "sd_mph",
            "min_mph",    "max_mph",  "mean_kmh",  "sd_kmh", "min_kmh",  "max_kmh"};
}

QStringList MeansCsvFields(const StepGroup& group)
{
    QStringList fields{group.locomotive, QString::number(group.throttle), DirectionText(group.reverse),
                       QString::number(group.stats.count), QString::number(group.leftOut)};
    for (const SpeedUnit unit : {SpeedUnit::Mph, SpeedUnit::Kmh}) {
        for (const double value : {group.stats.mean, group.stats.sd, group.stats.min, group.stats.max}) {
            fields << Decimals(InUnit(value, unit));
        }
    }
    return fields;
}
