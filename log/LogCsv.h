// A log's runs to and from CSV files, beside the window: one transaction in, a whole file out, each with its progress and a way to stop it.
#pragma once

#include "log/Csv.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

class QIODevice;
class SqliteDatabase;

struct ImportReport {
    int added = 0;        // runs the log now holds from the file
    int skipped = 0;      // already in the log
    QStringList refused;  // "Line 7: …", the first of the lines that could not be read
    int refusedCount = 0; // all of them
    // What the reading found that the user should know ("not UTF-8: read as Windows-1252").
    QStringList notes;
    // The import was not kept (the log is as it was before): why, in the user's words.
    std::optional<QString> failure;
    bool cancelled = false;
};

// The most refused lines a report lists one by one.
inline constexpr int ReportedLines = 20;

// Reads the runs of `file` (its first record the header, in either CSV form) into the
// log on `db`, in one transaction: every new run, or (on a fault, when `cancel` is
// set, or where the file is no file of runs) none.
// `progress` hears how many of the file's bytes have been read, now and then.
ImportReport ImportRuns(SqliteDatabase& db, QIODevice& file, const std::atomic<bool>& cancel,
                        const std::function<void(qint64 bytesRead)>& progress);

// Writes every run of the log on `db` to `file` as CSV records under RunCsvHeader(),
// oldest first; the reason where it could not, or "it was cancelled". `progress`
// hears how many runs have been written, now and then.
std::optional<QString> ExportRuns(SqliteDatabase& db, QIODevice& file, CsvForm form, const std::atomic<bool>& cancel,
                                  const std::function<void(qint64 runsWritten)>& progress);
