// A run of the speed log as it is kept, and as a line of a CSV file.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

inline constexpr int MaxLocomotiveChars = 40;
inline constexpr int MaxThrottle = 128;
// The longest run a log takes: a day.
inline constexpr qint64 MostMilliseconds = 24LL * 3600 * 1000;

// The track a run was timed over, as the main window shows it at that moment.
struct TrackNow {
    QString scale;       // "HO"
    double ratio = 0.0;  // 87
    bool circle = false;
    double inches = 0.0;     // the length of the run, or the circle's radius
    double scaleFeet = 0.0;  // whole scale feet, as the main window computes them
};

struct LoggedRun {
    qint64 id = 0;  // the log's own number; 0 before it is kept
    QDateTime recorded;
    QString locomotive;
    int throttle = 0;
    bool reverse = false;
    TrackNow track;
    qint64 milliseconds = 0;
    double mph = 0.0;
    double kmh = 0.0;
};

// A run over `track` in `milliseconds`, with its speeds from the exact time.
LoggedRun MakeRun(const QDateTime& recorded, const QString& locomotive, int throttle, bool reverse,
                  const TrackNow& track, qint64 milliseconds);

// The locomotive's name as kept: line breaks and other control characters as blanks,
// blanks at the ends dropped and runs of them made one, at most MaxLocomotiveChars
// characters.
QString CleanLocomotive(const QString& name);

// "forward" or "reverse", as the log and its CSV files spell a direction.
QString DirectionText(bool reverse);

// The columns of a runs CSV file, in the order written.
QStringList RunCsvHeader();
QStringList RunCsvFields(const LoggedRun& run);
// A run from the fields of a line under `header`; nothing, with the reason, where a
// field is missing or holds no valid value.
std::optional<LoggedRun> RunFromCsv(const QStringList& header, const QStringList& fields, QString& whyNot);

// A typed time in seconds with at most two decimals ("5", "5.0", "5.00", "4,95") as
// milliseconds; nothing for anything else or for no time at all.
std::optional<qint64> TypedMilliseconds(const QString& text);
