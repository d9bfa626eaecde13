// Making, cleaning, writing and reading the speed log's runs.
#include "core/RunRecords.h"

#include "core/RunStats.h"
#include "core/Scales.h"

#include <QRegularExpression>

#include <cmath>

namespace {

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

}  // namespace

LoggedRun MakeRun(const QDateTime& recorded, const QString& locomotive, int throttle, bool reverse,
                  const TrackNow& track, qint64 milliseconds)
{
    LoggedRun run;
    run.recorded = recorded;
    run.locomotive = CleanLocomotive(locomotive);
    run.throttle = throttle;
    run.reverse = reverse;
    run.track = track;
    run.milliseconds = milliseconds;
    run.mph = RunMph(track.scaleFeet, milliseconds);
    run.kmh = KmhOf(run.mph);
    return run;
}

QString CleanLocomotive(const QString& name)
{
    // A line break or tab (from a pasted or imported name) parts words like a blank.
    QString kept;
    for (const QChar c : name) {
        kept += c.category() == QChar::Other_Control ? u' ' : c;
    }
    return kept.simplified().left(MaxLocomotiveChars).trimmed();
}

QString DirectionText(bool reverse)
{
    return reverse ? QStringLiteral("reverse") : QStringLiteral("forward");
}

QStringList RunCsvHeader()
{
    return {"recorded", "locomotive", "throttle",    "direction",    "scale", "ratio",
            "track",    "inches",     "scale_feet",  "milliseconds", "mph",   "kmh"};
}

QStringList RunCsvFields(const LoggedRun& run)
{
    return {run.recorded.toString(Qt::ISODateWithMs),
            run.locomotive,
            QString::number(run.throttle),
            DirectionText(run.reverse),
            run.track.scale,
            QString::number(run.track.ratio),
            run.track.circle ? CircleConfig : StraightConfig,
            QString::number(run.track.inches),
            QString::number(run.track.scaleFeet),
            QString::number(run.milliseconds),
            Number(run.mph, 3),
            Number(run.kmh, 3)};
}

std::optional<LoggedRun> RunFromCsv(const QStringList& header, const QStringList& fields, QString& whyNot)
{
    QStringList value;
    for (const QString& column : RunCsvHeader()) {
        const qsizetype at = header.indexOf(column);
        if (at < 0 || at >= fields.size()) {
            whyNot = QStringLiteral("it has no %1").arg(column);
            return std::nullopt;
        }
        value << fields.at(at).trimmed();
    }
    // The field of `column` as a whole number from `low` to `high`, or as a real number
    // of 0 or more; nothing, with the reason, where it is not.
    const auto whole = [&](int column, qint64 low, qint64 high, const QString& range) -> std::optional<qint64> {
        bool read = false;
        const qint64 number = value.at(column).toLongLong(&read);
        if (read && number >= low && number <= high) {
            return number;
        }
        whyNot = QStringLiteral("its %1 \"%2\" is not a whole number from %3")
                     .arg(RunCsvHeader().at(column), value.at(column), range);
        return std::nullopt;
    };
    const auto real = [&](int column) -> std::optional<double> {
        bool read = false;
        const double number = value.at(column).toDouble(&read);
        if (read && std::isfinite(number) && number >= 0.0) {
            return number;
        }
        whyNot = QStringLiteral("its %1 \"%2\" is not a number of 0 or more")
                     .arg(RunCsvHeader().at(column), value.at(column));
        return std::nullopt;
    };
    const QDateTime recorded = QDateTime::fromString(value.at(0), Qt::ISODateWithMs);
    if (!recorded.isValid()) {
        whyNot = QStringLiteral("its time \"%1\" is no ISO 8601 date and time").arg(value.at(0));
        return std::nullopt;
    }
    const QString locomotive = CleanLocomotive(value.at(1));
    if (locomotive.isEmpty()) {
        whyNot = QStringLiteral("it names no locomotive");
        return std::nullopt;
    }
    const std::optional<qint64> throttle = whole(2, 0, MaxThrottle, QStringLiteral("0 to %1").arg(MaxThrottle));
    if (!throttle) {
        return std::nullopt;
    }
    if (value.at(3) != DirectionText(false) && value.at(3) != DirectionText(true)) {
        whyNot = QStringLiteral("its direction \"%1\" is neither forward nor reverse").arg(value.at(3));
        return std::nullopt;
    }
    if (value.at(4).isEmpty()) {
        whyNot = QStringLiteral("it names no scale");
        return std::nullopt;
    }
    if (value.at(6) != StraightConfig && value.at(6) != CircleConfig) {
        whyNot = QStringLiteral("its track \"%1\" is neither STRAIGHT nor CIRCLE").arg(value.at(6));
        return std::nullopt;
    }
    const std::optional<double> ratio = real(5);
    const std::optional<double> inches = ratio ? real(7) : std::nullopt;
    const std::optional<double> feet = inches ? real(8) : std::nullopt;
    const std::optional<qint64> milliseconds =
        feet ? whole(9, 1, MostMilliseconds, QStringLiteral("1 to %1 (a day)").arg(MostMilliseconds)) : std::nullopt;
    if (!milliseconds) {
        return std::nullopt;
    }
    const TrackNow track{value.at(4), *ratio, value.at(6) == CircleConfig, *inches, *feet};
    return MakeRun(recorded, locomotive, static_cast<int>(*throttle), value.at(3) == DirectionText(true), track,
                   *milliseconds);
}

std::optional<qint64> TypedMilliseconds(const QString& text)
{
    static const QRegularExpression seconds(QStringLiteral("^\\s*(\\d{1,5})(?:[.,](\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch match = seconds.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString decimals = (match.captured(2) + QStringLiteral("00")).left(2);
    const qint64 milliseconds = match.captured(1).toLongLong() * 1000 + decimals.toLongLong() * 10;
    return milliseconds > 0 ? std::optional<qint64>(milliseconds) : std::nullopt;
}
