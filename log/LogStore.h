// The speed log in an SQLite database: used only where the file is a Trackpace log, every change one transaction.
#pragma once

#include "log/FleetFigures.h"
#include "log/RunRecords.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SqliteDatabase;
class SqliteStatement;

// One log, in a file or (where the file cannot be used) in memory. Two programs may
// keep the same file at once: each change is committed as it is made. Besides its
// runs the log keeps each group's figures (the runs of one locomotive at one step in
// one direction), brought up to date in the same transaction as every change, so
// that a window shows a log of any size without reading all of its runs.
//
// The file keeps SQLite's rollback journal: between changes it is one whole file,
// which may be copied, carried on a memory stick or kept in a network folder.
class LogStore {
public:
    // The log at `path` (the file system's bytes), made (with its folders) where
    // nothing is there yet. A file there that is not a Trackpace log, cannot be
    // written or is locked by another program is left exactly as it is: the log then
    // works in memory, and Problem() says why in the user's words. An empty path
    // gives a log in memory.
    explicit LogStore(const QByteArray& path);
    // A log in memory for the file at `path`, which could not be used for `problem`.
    LogStore(const QByteArray& path, const QString& problem);
    ~LogStore();
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    static constexpr int SchemaVersion = 3;

    QString Path() const { return shown_; }
    const QByteArray& NativePath() const { return path_; }
    bool InMemory() const { return inMemory_; }
    QString Problem() const { return problem_; }
    // What the look at the file did that the user should know (a stray journal moved aside).
    QString Notice() const { return notice_; }

    // Every run's number, oldest first; nothing where the log is held by another
    // program longer than a window may wait.
    std::optional<std::vector<qint64>> Ids() const;
    // The runs numbered `first` to `last`, oldest first; nothing where another
    // connection holds the log (an import under way) and the log must not wait.
    std::optional<std::vector<LoggedRun>> RunsBetween(qint64 first, qint64 last) const;
    // Each run, oldest first, until `take` returns false.
    std::optional<QString> ForEachRun(const std::function<bool(const LoggedRun&)>& take) const;
    // Every group's figures, in reading order (nothing where the log is held), and
    // one group's (nothing where it has no runs).
    std::optional<std::vector<StepGroup>> Steps() const;
    std::optional<StepGroup> Step(const StepKey& key) const;
    // Whether another connection (another copy of Trackpace, an import) changed the
    // log since the last call.
    bool ChangedElsewhere();
    // While `patient` is false a read that finds the log held returns at once;
    // otherwise it waits a moment (a change waits longer, for another copy's change).
    void SetPatience(bool patient);

    // Each change is one transaction: it is made whole, or the log stays exactly as
    // it was and the reason is returned in the user's words ("the disk is full").
    std::optional<QString> Add(LoggedRun& run);  // `run` gets its number
    std::optional<QString> Remove(const std::vector<qint64>& ids);
    // Puts back deleted runs under their old numbers (numbers are never used twice).
    std::optional<QString> Restore(const std::vector<LoggedRun>& runs);
    // Runs of another log, under new numbers.
    std::optional<QString> Carry(std::vector<LoggedRun>& runs);

    QString Setting(const QString& key, const QString& fallback) const;
    std::optional<QString> SetSetting(const QString& key, const QString& value);

    // A connection of its own to the same log, for work beside the window (an
    // import); null where it cannot be made.
    std::unique_ptr<SqliteDatabase> Connect() const;

private:
    bool Check();
    bool Open(const QByteArray& name, bool created);
    bool LookAfterRollback();
    bool Migrate();
    bool CanWrite();
    void UseMemory();
    int Patience() const;

    QByteArray path_;
    QString shown_;  // as the user reads it
    QByteArray memoryName_;
    bool inMemory_ = false;
    bool hotJournal_ = false;
    QString problem_;
    QString notice_;
    qint64 dataVersion_ = -1;
    int readPatience_ = 0;
    std::unique_ptr<SqliteDatabase> db_;
};

// Every run's number and every group's figures of the log on `db` (in reading
// order), for work beside the window; nothing where the log could not be read.
std::optional<std::vector<qint64>> ReadIds(SqliteDatabase& db);
std::optional<std::vector<StepGroup>> ReadSteps(SqliteDatabase& db);

// Each run of the log on `db`, oldest first, until `take` returns false; the reason
// where the log could not be read.
std::optional<QString> EachRun(SqliteDatabase& db, const std::function<bool(const LoggedRun&)>& take);

// The writing side of a log, on any connection to it: the statements that change
// runs and bring their groups' figures up to date. The caller holds the transaction.
class LogWriter {
public:
    explicit LogWriter(SqliteDatabase& db);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Whether a run with `run`'s time, locomotive, step, direction and time is kept.
    bool Has(const LoggedRun& run);
    // Adds `run` (under its own number where it has one); false on a fault.
    bool Insert(LoggedRun& run);
    // The group `id` belongs to, once removed; nothing where there was no such run.
    std::optional<StepKey> Delete(qint64 id);
    // Works out the figures of the groups `keys` again.
    bool Refigure(const std::vector<StepKey>& keys);
    std::optional<QString> Fault() const { return fault_; }

private:
    bool Ran(SqliteStatement& statement);
    const QString& Recorded(const LoggedRun& run);

    SqliteDatabase& db_;
    std::unique_ptr<SqliteStatement> has_;
    std::unique_ptr<SqliteStatement> insert_;
    std::unique_ptr<SqliteStatement> insertNumbered_;
    std::unique_ptr<SqliteStatement> find_;
    std::unique_ptr<SqliteStatement> delete_;
    std::unique_ptr<SqliteStatement> speeds_;
    std::unique_ptr<SqliteStatement> putStep_;
    std::unique_ptr<SqliteStatement> dropStep_;
    std::optional<QString> fault_;
    QDateTime recordedOf_;
    QString recorded_;
};
