// The speed log in an SQLite database: used only where the file is a Trackpace log, each run committed at once.
#pragma once

#include "core/Csv.h"
#include "core/Files.h"
#include "core/RunRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One log, in a file or (where the file cannot be used) in memory. Two programs may
// keep the same file at once: each run is committed as it is added, and Runs() reads
// what both have added.
class LogStore {
public:
    // The log at `path`, made (with its folders) where nothing is there yet. A file
    // there that is not a Trackpace log, cannot be written or is locked by another
    // program is left exactly as it is: the log then works in memory, and Problem()
    // says why in the user's words.
    explicit LogStore(const QByteArray& path);
    ~LogStore();
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    static constexpr int SchemaVersion = 2;

    QString Path() const { return path_; }
    bool InMemory() const { return inMemory_; }
    QString Problem() const { return problem_; }

    // Each returns the reason where the change could not be kept.
    std::optional<QString> Add(LoggedRun& run);  // `run` gets its number
    std::optional<QString> Remove(qint64 id);
    std::optional<QString> Restore(const LoggedRun& run);  // under its old number

    std::vector<LoggedRun> Runs() const;

    struct Imported {
        int added = 0;
        int skipped = 0;      // already in the log
        QStringList refused;  // "Line 7: …", one for each line that could not be read
    };
    // The runs of a CSV file's records (the first is the header), in one transaction.
    Imported Import(const std::vector<CsvRecord>& records);

    QString Setting(const QString& key, const QString& fallback) const;
    std::optional<QString> SetSetting(const QString& key, const QString& value);

private:
    bool Check();
    bool Open(const QString& name);
    bool Migrate();

    QString connection_;
    QString path_;  // as the user reads it
    TextPath reach_;  // as the database reaches it
    bool inMemory_ = false;
    QString problem_;
};
