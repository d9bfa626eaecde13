// Making, cleaning, writing and reading the speed log's runs.
#include "log/RunRecords.h"

#include "log/RunStats.h"
#include "core/Scales.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 MicrosecondsPerMillisecond = 1000;
constexpr qint64 MicrosecondsPerSecond = 1'000'000;

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Up to `decimals` decimals, without the zeros at the end ("1.5", "348").
QString Trimmed(double value, int decimals)
{
    QString text = Number(value, decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(u'.')) {
            text.chop(1);
        }
    }
    return text;
}

// "1234" or "1234.567": milliseconds as the CSV file holds them.
QString MillisecondsText(qint64 microseconds)
{
    const qint64 whole = microseconds / MicrosecondsPerMillisecond;
    const qint64 rest = microseconds % MicrosecondsPerMillisecond;
    return rest == 0 ? QString::number(whole)
                     : QStringLiteral("%1.%2").arg(whole).arg(rest, 3, 10, QLatin1Char('0'));
}

// Milliseconds with up to three decimals (1 to 12 digits, a point or a comma, 1 to 3 digits) as
// microseconds; nothing for anything else. Read by hand: it runs for every line of an
// import, on the import's own thread, where a static QRegularExpression would keep the
// MinGW build from ending once the thread has used it.
std::optional<qint64> MicrosecondsOf(QStringView milliseconds)
{
    const qsizetype point = std::max(milliseconds.indexOf(u'.'), milliseconds.indexOf(u','));
    const QStringView whole = point < 0 ? milliseconds : milliseconds.first(point);
    const QStringView fraction = point < 0 ? QStringView() : milliseconds.sliced(point + 1);
    const auto digits = [](QStringView text, qsizetype most) {
        return !text.isEmpty() && text.size() <= most &&
               std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(whole, 12) || (point >= 0 && !digits(fraction, 3))) {
        return std::nullopt;
    }
    qint64 thousandths = 0;
    for (qsizetype i = 0; i < 3; ++i) {
        thousandths = thousandths * 10 + (i < fraction.size() ? fraction.at(i).digitValue() : 0);
    }
    return whole.toLongLong() * MicrosecondsPerMillisecond + thousandths;
}

}  // namespace

bool RunTimeInRange(qint64 microseconds)
{
    return microseconds >= ShortestRunMicroseconds && microseconds <= LongestRunMicroseconds;
}

QString RunTimeRangeText()
{
    return QStringLiteral("from %1 s to %2 s (a day)")
        .arg(Trimmed(static_cast<double>(ShortestRunMicroseconds) / MicrosecondsPerSecond, 6))
        .arg(LongestRunMicroseconds / MicrosecondsPerSecond);
}

QString FeetText(double feet)
{
    return Trimmed(feet, 1);
}

LoggedRun MakeRun(const QDateTime& recorded, const QString& locomotive, int throttle, bool reverse,
                  const TrackNow& track, qint64 microseconds, const QString& source)
{
    LoggedRun run;
    run.recorded = recorded;
    run.locomotive = CleanLocomotive(locomotive);
    run.throttle = throttle;
    run.reverse = reverse;
    run.track = track;
    run.scaleFeet = ScaleFeetOf(track);
    run.microseconds = microseconds;
    run.source = source;
    run.mph = RunMph(run.scaleFeet, microseconds);
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

QString SecondsText(qint64 microseconds)
{
    const double seconds = static_cast<double>(microseconds) / MicrosecondsPerSecond;
    return microseconds % (MicrosecondsPerSecond / 100) == 0 ? Number(seconds, 2) : Trimmed(seconds, 6);
}

QStringList RunCsvHeader()
{
    return {"recorded", "locomotive",   "throttle", "direction", "scale", "ratio",  "track",
            "inches",   "scale_feet",   "milliseconds", "mph",   "kmh",   "source"};
}

QStringList RunCsvFields(const LoggedRun& run, CsvForm form)
{
    return {run.recorded.toString(Qt::ISODateWithMs),
            GuardedText(run.locomotive),
            QString::number(run.throttle),
            DirectionText(run.reverse),
            GuardedText(run.track.scale),
            CsvNumber(QString::number(run.track.ratio), form),
            run.track.circle ? CircleConfig : StraightConfig,
            CsvNumber(QString::number(run.track.inches), form),
            CsvNumber(run.scaleFeet, 3, form),
            CsvNumber(MillisecondsText(run.microseconds), form),
            CsvNumber(run.mph, 3, form),
            CsvNumber(run.kmh, 3, form),
            GuardedText(run.source)};
}

std::vector<qsizetype> RunCsvColumns(const QStringList& header)
{
    QStringList names;
    for (const QString& name : header) {
        names << name.trimmed().toLower();
    }
    std::vector<qsizetype> columns;
    for (const QString& column : RunCsvHeader()) {
        columns.push_back(names.indexOf(column));
    }
    return columns;
}

std::optional<LoggedRun> RunFromCsv(const std::vector<qsizetype>& at, const QStringList& fields, QString& whyNot)
{
    // Every column but the last (the source, which older files lack) must be there.
    static const QStringList columns = RunCsvHeader();
    QStringList value;
    value.reserve(columns.size());
    for (qsizetype column = 0; column < columns.size(); ++column) {
        const qsizetype place = at.at(static_cast<std::size_t>(column));
        if (column + 1 < columns.size() && (place < 0 || place >= fields.size())) {
            whyNot = QStringLiteral("it has no %1").arg(columns.at(column));
            return std::nullopt;
        }
        value << (place < 0 ? QString() : fields.value(place).trimmed());
    }
    const auto real = [&](int column) -> std::optional<double> {
        const std::optional<double> number = CsvReal(value.at(column));
        if (number && *number >= 0.0) {
            return number;
        }
        whyNot = QStringLiteral("its %1 \"%2\" is not a number of 0 or more").arg(columns.at(column), value.at(column));
        return std::nullopt;
    };
    const QDateTime recorded = QDateTime::fromString(value.at(0), Qt::ISODateWithMs);
    if (!recorded.isValid()) {
        whyNot = QStringLiteral("its time \"%1\" is no ISO 8601 date and time").arg(value.at(0));
        return std::nullopt;
    }
    const QString locomotive = CleanLocomotive(UnguardedText(value.at(1)));
    if (locomotive.isEmpty()) {
        whyNot = QStringLiteral("it names no locomotive");
        return std::nullopt;
    }
    bool read = false;
    const int throttle = value.at(2).toInt(&read);
    if (!read || throttle < 0 || throttle > MaxThrottle) {
        whyNot = QStringLiteral("its throttle \"%1\" is not a whole number from 0 to %2").arg(value.at(2)).arg(MaxThrottle);
        return std::nullopt;
    }
    if (value.at(3) != DirectionText(false) && value.at(3) != DirectionText(true)) {
        whyNot = QStringLiteral("its direction \"%1\" is neither forward nor reverse").arg(value.at(3));
        return std::nullopt;
    }
    const QString scale = UnguardedText(value.at(4));
    if (scale.isEmpty()) {
        whyNot = QStringLiteral("it names no scale");
        return std::nullopt;
    }
    if (value.at(6) != StraightConfig && value.at(6) != CircleConfig) {
        whyNot = QStringLiteral("its track \"%1\" is neither STRAIGHT nor CIRCLE").arg(value.at(6));
        return std::nullopt;
    }
    const std::optional<double> ratio = real(5);
    const std::optional<double> inches = ratio ? real(7) : std::nullopt;
    if (!inches) {
        return std::nullopt;
    }
    const std::optional<qint64> microseconds = MicrosecondsOf(value.at(9));
    if (!microseconds || !RunTimeInRange(*microseconds)) {
        whyNot = QStringLiteral("its milliseconds \"%1\" is not a run's time %2")
                     .arg(value.at(9), RunTimeRangeText());
        return std::nullopt;
    }
    const TrackNow track{scale, *ratio, value.at(6) == CircleConfig, *inches};
    return MakeRun(recorded, locomotive, throttle, value.at(3) == DirectionText(true), track, *microseconds,
                   UnguardedText(value.at(12)));
}

std::optional<qint64> TypedMicroseconds(const QString& text)
{
    static const QRegularExpression seconds(QStringLiteral("^\\s*(\\d{1,6})(?:[.,](\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch match = seconds.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString hundredths = (match.captured(2) + QStringLiteral("00")).left(2);
    const qint64 microseconds =
        match.captured(1).toLongLong() * MicrosecondsPerSecond + hundredths.toLongLong() * (MicrosecondsPerSecond / 100);
    return RunTimeInRange(microseconds) ? std::optional<qint64>(microseconds) : std::nullopt;
}
