// A run of the speed log as it is kept, and as a line of a CSV file.
#pragma once

#include "core/TrackNow.h"
#include "log/Csv.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <vector>

inline constexpr int MaxLocomotiveChars = 40;
inline constexpr int MaxThrottle = 128;

// The one range of a logged run's time, however it enters the log (the run timer,
// a typed time, an imported file): from 0.05 s, shorter than any pass a train makes
// over a measured track, to a day.
inline constexpr qint64 ShortestRunMicroseconds = 50'000;
inline constexpr qint64 LongestRunMicroseconds = 86'400'000'000;
bool RunTimeInRange(qint64 microseconds);
// "from 0.05 s to 86400 s (a day)"
QString RunTimeRangeText();

// "348" or "46.9": scale feet as the log shows them, at most one decimal.
QString FeetText(double feet);

// How a run came into the log.
inline const QString TimedSource = QStringLiteral("timer");
inline const QString TypedSource = QStringLiteral("typed");

struct LoggedRun {
    qint64 id = 0;  // the log's own number; 0 before it is kept
    QDateTime recorded;
    QString locomotive;
    int throttle = 0;
    bool reverse = false;
    TrackNow track;
    double scaleFeet = 0.0;  // exact, from the track
    qint64 microseconds = 0;
    QString source;  // TimedSource, TypedSource, or what an imported file says
    double mph = 0.0;
    double kmh = 0.0;
};

// A run over `track` in `microseconds`, with its distance and speeds worked out
// exactly from them.
LoggedRun MakeRun(const QDateTime& recorded, const QString& locomotive, int throttle, bool reverse,
                  const TrackNow& track, qint64 microseconds, const QString& source = {});

// The locomotive's name as kept: line breaks and other control characters as blanks,
// blanks at the ends dropped and runs of them made one, at most MaxLocomotiveChars
// characters.
QString CleanLocomotive(const QString& name);

// "forward" or "reverse", as the log and its CSV files spell a direction.
QString DirectionText(bool reverse);

// "5.00": a run's seconds as the log shows them, with hundredths, or with as many
// more decimals (up to six) as the time holds.
QString SecondsText(qint64 microseconds);

// The columns of a runs CSV file, in the order written, and a run's fields in `form`
// (its decimal sign; its texts kept from running as formulas).
QStringList RunCsvHeader();
QStringList RunCsvFields(const LoggedRun& run, CsvForm form = CsvForm::Comma);
// Where each of RunCsvHeader()'s columns stands under `header` (-1: not there); the
// names are matched without regard to case, blanks or order.
std::vector<qsizetype> RunCsvColumns(const QStringList& header);
// A run from the fields of a line whose columns stand at `columns`; nothing, with the
// reason, where a field is missing or holds no valid value. The distance and speeds
// are worked out again from the track and the time.
std::optional<LoggedRun> RunFromCsv(const std::vector<qsizetype>& columns, const QStringList& fields,
                                    QString& whyNot);

// A typed time in seconds with at most two decimals ("5", "5.0", "5.00", "4,95") as
// microseconds, within the range of a run's time; nothing for anything else.
std::optional<qint64> TypedMicroseconds(const QString& text);
