// Grouping the speed log's runs and drawing their figures together.
#include "log/FleetFigures.h"

#include <QHash>

#include <algorithm>
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

}  // namespace

size_t qHash(const StepKey& key, size_t seed)
{
    return qHashMulti(seed, key.locomotive, key.reverse, key.throttle);
}

bool ReadingOrder(const StepKey& a, const StepKey& b)
{
    if (a.locomotive != b.locomotive) {
        return NameBefore(a.locomotive, b.locomotive);
    }
    return std::tie(a.reverse, a.throttle) < std::tie(b.reverse, b.throttle);
}

void SortForReading(std::vector<StepGroup>& groups)
{
    std::sort(groups.begin(), groups.end(),
              [](const StepGroup& a, const StepGroup& b) { return ReadingOrder(a.key, b.key); });
}

std::vector<StepGroup> GroupsOf(const std::vector<LoggedRun>& runs)
{
    QHash<StepKey, std::vector<double>> speeds;
    for (const LoggedRun& run : runs) {
        speeds[StepKey{run.locomotive, run.reverse, run.throttle}].push_back(run.mph);
    }
    std::vector<StepGroup> groups;
    groups.reserve(static_cast<std::size_t>(speeds.size()));
    for (auto group = speeds.cbegin(); group != speeds.cend(); ++group) {
        groups.push_back({group.key(), FiguresOf(group.value())});
    }
    SortForReading(groups);
    return groups;
}

std::vector<CurveLine> CurveOf(const std::vector<StepGroup>& groups, const QStringList& locomotives,
                               bool leaveMarkedOut)
{
    std::vector<CurveLine> lines;
    for (const QString& locomotive : locomotives) {
        for (const bool reverse : {false, true}) {
            CurveLine line{reverse ? locomotive + QStringLiteral(" (reverse)") : locomotive, {}, locomotive, reverse};
            for (const StepGroup& group : groups) {
                if (group.key.locomotive == locomotive && group.key.reverse == reverse) {
                    const GroupStats& stats = group.figures.Counted(leaveMarkedOut);
                    line.points.push_back({group.key.throttle, stats.mean, stats.min, stats.max});
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
                                          const QString& second, bool leaveMarkedOut)
{
    QHash<StepKey, double> seconds;
    for (const StepGroup& group : groups) {
        if (group.key.locomotive == second) {
            seconds.insert(group.key, group.figures.Counted(leaveMarkedOut).mean);
        }
    }
    std::vector<StepDifference> differences;
    for (const StepGroup& a : groups) {
        const auto b = seconds.constFind(StepKey{second, a.key.reverse, a.key.throttle});
        if (a.key.locomotive == first && b != seconds.cend()) {
            const double mean = a.figures.Counted(leaveMarkedOut).mean;
            differences.push_back({a.key.throttle, a.key.reverse, mean, *b, *b - mean});
        }
    }
    return differences;
}

QStringList MeansCsvHeader()
{
    return {"locomotive", "throttle", "direction", "runs",   "left_out", "mean_mph", "sd_mph",
            "min_mph",    "max_mph",  "mean_kmh",  "sd_kmh", "min_kmh",  "max_kmh"};
}

QStringList MeansCsvFields(const StepGroup& group, bool leaveMarkedOut, CsvForm form)
{
    const GroupStats& stats = group.figures.Counted(leaveMarkedOut);
    QStringList fields{GuardedText(group.key.locomotive), QString::number(group.key.throttle),
                       DirectionText(group.key.reverse),
                       QString::number(stats.count),
                       QString::number(leaveMarkedOut ? group.figures.LeftOut() : 0)};
    for (const SpeedUnit unit : {SpeedUnit::Mph, SpeedUnit::Kmh}) {
        for (const double value : {stats.mean, stats.sd, stats.min, stats.max}) {
            fields << CsvNumber(InUnit(value, unit), 3, form);
        }
    }
    return fields;
}
