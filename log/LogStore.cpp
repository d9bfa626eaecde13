// The speed log's database: its checks before any write, its schema and its versions, its runs and their groups.
#include "log/LogStore.h"
#include "core/Files.h"

#include "core/Scales.h"
#include "log/Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUuid>

#include <algorithm>

namespace {

// "TRKP": what marks a database as a Trackpace log.
constexpr qint64 ApplicationId = 0x54524B50;
// How long a write waits for another copy of Trackpace to finish its own, and how
// long the first look at a file waits for a copy that holds it whole (an import).
constexpr int BusyMilliseconds = 5000;
constexpr int LookBusyMilliseconds = 2000;
// How long the window's reads wait for another program's change to end.
constexpr int ReadBusyMilliseconds = 250;
// Less room than this on the log's disk, and it cannot take runs safely.
constexpr qint64 LeastRoom = 1024 * 1024;
const QByteArray SqliteHeader("SQLite format 3\0", 16);
const QString InMemoryNote = QStringLiteral(" It was left as it is; the runs of this session are kept only until "
                                            "Trackpace ends, unless you choose another file.");

// The current schema, as a new log gets it.
constexpr const char* Schema =
    "CREATE TABLE runs (id INTEGER PRIMARY KEY AUTOINCREMENT, recorded TEXT NOT NULL, locomotive TEXT NOT NULL, "
    "throttle INTEGER NOT NULL, direction TEXT NOT NULL, scale TEXT NOT NULL, ratio REAL NOT NULL, "
    "track TEXT NOT NULL, inches REAL NOT NULL, scale_feet REAL NOT NULL, microseconds INTEGER NOT NULL, "
    "mph REAL NOT NULL, kmh REAL NOT NULL, source TEXT NOT NULL DEFAULT '');"
    // One index finds a run that an import brings again and reads a group's speeds.
    "CREATE INDEX runs_by_step ON runs (locomotive, direction, throttle, microseconds, recorded, mph);"
    "CREATE TABLE steps (locomotive TEXT NOT NULL, direction TEXT NOT NULL, throttle INTEGER NOT NULL, "
    "median REAL NOT NULL, runs INTEGER NOT NULL, mean REAL NOT NULL, sd REAL NOT NULL, min REAL NOT NULL, "
    "max REAL NOT NULL, kept INTEGER NOT NULL, kept_mean REAL NOT NULL, kept_sd REAL NOT NULL, "
    "kept_min REAL NOT NULL, kept_max REAL NOT NULL, PRIMARY KEY (locomotive, direction, throttle)) WITHOUT ROWID;";
constexpr const char* SettingsSchema = "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);";

constexpr const char* RunColumns =
    "recorded, locomotive, throttle, direction, scale, ratio, track, inches, scale_feet, microseconds, mph, kmh, "
    "source";

QString Kind(const QFileInfo& info)
{
    return info.isDir() ? QStringLiteral("a folder") : QStringLiteral("a device, pipe or socket");
}

// A run as the statement's columns 0 (id) to 13 hold it.
LoggedRun RunOf(const SqliteStatement& row)
{
    LoggedRun run;
    run.id = row.Integer(0);
    run.recorded = QDateTime::fromString(row.Text(1), Qt::ISODateWithMs);
    run.locomotive = row.Text(2);
    run.throttle = static_cast<int>(row.Integer(3));
    run.reverse = row.Text(4) == DirectionText(true);
    run.track = TrackNow{row.Text(5), row.Real(6), row.Text(7) == CircleConfig, row.Real(8)};
    run.scaleFeet = row.Real(9);
    run.microseconds = row.Integer(10);
    run.mph = row.Real(11);
    run.kmh = row.Real(12);
    run.source = row.Text(13);
    return run;
}

void BindRun(SqliteStatement& statement, const LoggedRun& run, const QString& recorded, int first)
{
    statement.Bind(first, recorded)
        .Bind(first + 1, run.locomotive)
        .Bind(first + 2, run.throttle)
        .Bind(first + 3, DirectionText(run.reverse))
        .Bind(first + 4, run.track.scale)
        .Bind(first + 5, run.track.ratio)
        .Bind(first + 6, run.track.circle ? CircleConfig : StraightConfig)
        .Bind(first + 7, run.track.inches)
        .Bind(first + 8, run.scaleFeet)
        .Bind(first + 9, run.microseconds)
        .Bind(first + 10, run.mph)
        .Bind(first + 11, run.kmh)
        .Bind(first + 12, run.source);
}

void BindKey(SqliteStatement& statement, const StepKey& key)
{
    statement.Bind(1, key.locomotive).Bind(2, DirectionText(key.reverse)).Bind(3, key.throttle);
}

quint32 BigEndian(const QByteArray& bytes, qsizetype at)
{
    quint32 value = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    }
    return value;
}

// The page size a database header gives (1 stands for 65536).
quint32 PageSizeOf(const QByteArray& header)
{
    const quint32 size = (static_cast<quint8>(header.at(16)) << 8) | static_cast<quint8>(header.at(17));
    return size == 1 ? 65536 : size;
}

// Whether the rollback journal beside `log` was left by a change to this very log:
// its page size is the log's, and the first page it keeps the old bytes of is a
// Trackpace log's first page whose count of changes is the log's or one short of it
// (or, where it kept no first page, the log has its old length).
// A journal of another database would write that database's pages into the log.
bool JournalBelongs(const QString& log)
{
    QFile file(log);
    QFile journal(log + QStringLiteral("-journal"));
    if (!file.open(QIODevice::ReadOnly) || !journal.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = file.read(100);
    const QByteArray start = journal.read(28);
    const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
    if (header.size() < 100 || start.size() < 28 || !start.startsWith(magic)) {
        return false;
    }
    const quint32 pageSize = PageSizeOf(header);
    const quint32 originalPages = BigEndian(start, 12);
    const quint32 sector = BigEndian(start, 20);
    if (BigEndian(start, 24) != pageSize || sector < 32 || sector > 65536) {
        return false;
    }
    const qint64 record = 4 + static_cast<qint64>(pageSize) + 4;
    for (qint64 at = sector; at + record <= journal.size(); at += record) {
        journal.seek(at);
        const QByteArray number = journal.read(4);
        if (BigEndian(number, 0) == 1) {
            const QByteArray first = journal.read(100);
            const quint32 changes = BigEndian(header, 24);
            const quint32 before = BigEndian(first, 24);
            return first.startsWith(SqliteHeader) && BigEndian(first, 68) == ApplicationId &&
                   PageSizeOf(first) == pageSize && (before == changes || before + 1 == changes);
        }
    }
    return static_cast<qint64>(originalPages) * pageSize == file.size();
}

// Whether the database `path` says it keeps a write-ahead log (its header's file
// format numbers are 2).
bool WriteAheadLogged(const QString& path)
{
    QFile file(path);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(20) : QByteArray();
    return header.size() == 20 && header.at(18) == 2 && header.at(19) == 2;
}

// Moves a journal that belongs to another database out of the log's way, under a
// name of its own; the name it got, or nothing where it could not be moved.
std::optional<QString> MoveAside(const QString& journal)
{
    for (int n = 1; n < 100; ++n) {
        const QString aside = journal + (n == 1 ? QStringLiteral(".not-this-log") : QStringLiteral(".not-this-log-%1").arg(n));
        if (!QFileInfo::exists(aside) && QFile::rename(journal, aside)) {
            return aside;
        }
    }
    return std::nullopt;
}

}  // namespace

LogStore::LogStore(const QByteArray& path) : path_(path), shown_(QDir::toNativeSeparators(PathText(path)))
{
    if (path.isEmpty()) {
        problem_ = QStringLiteral("There is no folder for the speed log, so its runs are kept only until Trackpace "
                                  "ends.");
    } else if (Check() && Open(SqliteFileName(path_), false) && LookAfterRollback() && Migrate() && CanWrite()) {
        dataVersion_ = db_->Value("PRAGMA data_version").value_or(QVariant(-1)).toLongLong();
        SetPatience(true);
        return;
    }
    UseMemory();
}

LogStore::LogStore(const QByteArray& path, const QString& problem)
    : path_(path), shown_(QDir::toNativeSeparators(PathText(path))), problem_(problem)
{
    UseMemory();
}

LogStore::~LogStore() = default;

void LogStore::UseMemory()
{
    // The file stays as it is; the log goes on in a database of its own in memory,
    // which a second connection (an import) can reach by its name.
    db_.reset();
    inMemory_ = true;
    memoryName_ = QByteArrayLiteral("file:/trackpace-") + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) +
                  QByteArrayLiteral("?vfs=memdb");
    if (!Open(memoryName_, true) || !Migrate()) {
        problem_ += QStringLiteral(" (Even a log in memory could not be made.)");
    }
    SetPatience(true);
}

bool LogStore::Check()
{
    const QString file = PathText(path_);
    const QFileInfo info(file);
    if (!info.exists()) {
        if (info.isSymLink()) {
            problem_ = shown_ + QStringLiteral(" is a link to nothing.") + InMemoryNote;
            return false;
        }
        if (!QDir().mkpath(info.absolutePath())) {
            problem_ = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(info.absolutePath())) +
                       InMemoryNote;
            return false;
        }
        return true;
    }
    if (!info.isFile()) {
        problem_ = QStringLiteral("%1 is %2, not a Trackpace speed log.").arg(shown_, Kind(info)) + InMemoryNote;
        return false;
    }
    // Made read-only (for anybody, root too): not to be changed.
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if ((info.permissions() & writable) == 0 || !info.isWritable()) {
        problem_ = QStringLiteral("%1 is read-only.").arg(shown_) + InMemoryNote;
        return false;
    }
    if (info.size() == 0) {
        return true;  // an empty file holds nothing to lose
    }
    QFile bytes(file);
    const QByteArray header = bytes.open(QIODevice::ReadOnly) ? bytes.read(SqliteHeader.size()) : QByteArray();
    bytes.close();
    if (header != SqliteHeader) {
        problem_ = QStringLiteral("%1 is not a Trackpace speed log (it is no database).").arg(shown_) + InMemoryNote;
        return false;
    }
    // The log keeps a rollback journal, never a write-ahead log: SQLite would read a
    // write-ahead log found beside it (another database's) as part of the log.
    const QString wal = file + QStringLiteral("-wal");
    if (QFileInfo(wal).size() > 0 && !WriteAheadLogged(file)) {
        const std::optional<QString> aside = MoveAside(wal);
        if (!aside) {
            problem_ = QStringLiteral("A write-ahead log of another database, %1, stands beside %2 and could not be "
                                      "moved out of its way.")
                           .arg(QDir::toNativeSeparators(wal), shown_) +
                       InMemoryNote;
            return false;
        }
        notice_ = QStringLiteral("The write-ahead log beside the log belonged to another database; it was moved to %1.")
                      .arg(QDir::toNativeSeparators(*aside));
    }
    // A look through a connection that cannot write, before anything else.
    SqliteDatabase look(SqliteFileName(path_), SqliteDatabase::Mode::ReadOnly, LookBusyMilliseconds);
    const std::unique_ptr<SqliteStatement> check = look.Prepare("PRAGMA quick_check");
    const bool whole = check->Next() && check->Text(0) == u"ok";
    const SqliteFault fault = check->Failed().value_or(look.OpenFault().value_or(look.Fault()));
    check->Reset();
    if (!whole && fault.code == 776 /* SQLITE_READONLY_ROLLBACK */) {
        // A change was cut off (the program killed, the power gone): its journal is
        // beside the log, and SQLite itself puts back what it changed as the log is
        // opened for writing. A journal of another database is moved out of its way.
        const QString journal = file + QStringLiteral("-journal");
        if (!JournalBelongs(file)) {
            const std::optional<QString> aside = MoveAside(journal);
            if (!aside) {
                problem_ = QStringLiteral("A journal file of another database, %1, stands beside %2 and could not be "
                                          "moved out of its way.")
                               .arg(QDir::toNativeSeparators(journal), shown_) +
                           InMemoryNote;
                return false;
            }
            notice_ = QStringLiteral("The journal file beside the log belonged to another database; it was moved to %1.")
                          .arg(QDir::toNativeSeparators(*aside));
        }
        hotJournal_ = true;
        return true;
    }
    QString found;
    if (!whole) {
        found = fault.Busy() ? QStringLiteral("%1 is locked by another program.").arg(shown_)
                             : QStringLiteral("%1 is damaged: the database does not read back whole.").arg(shown_);
    } else if (look.Value("PRAGMA application_id").value_or(QVariant(0)).toLongLong() != ApplicationId) {
        found = QStringLiteral("%1 is another program's database, not a Trackpace speed log.").arg(shown_);
    } else if (look.Value("PRAGMA user_version").value_or(QVariant(0)).toLongLong() > SchemaVersion) {
        found = QStringLiteral("%1 was written by a newer Trackpace.").arg(shown_);
    }
    if (!found.isEmpty()) {
        problem_ = found + InMemoryNote;
        return false;
    }
    return true;
}

bool LogStore::Open(const QByteArray& name, bool created)
{
    db_ = std::make_unique<SqliteDatabase>(
        name, created || !QFileInfo::exists(PathText(path_)) ? SqliteDatabase::Mode::ReadWriteCreate
                                                                       : SqliteDatabase::Mode::ReadWrite,
        BusyMilliseconds);
    if (!db_->IsOpen()) {
        problem_ = QStringLiteral("%1 could not be opened: %2.").arg(inMemory_ ? QStringLiteral("A log in memory") : shown_,
                                                                    db_->OpenFault()->Plain()) +
                   InMemoryNote;
        return false;
    }
    return true;
}

bool LogStore::LookAfterRollback()
{
    if (!hotJournal_) {
        return true;
    }
    // The first read rolls the cut-off change back; the log is then looked at as any other.
    const std::unique_ptr<SqliteStatement> check = db_->Prepare("PRAGMA quick_check");
    const bool whole = check->Next() && check->Text(0) == u"ok";
    const std::optional<SqliteFault> fault = check->Failed();
    check->Reset();
    if (!whole) {
        problem_ = (fault && fault->Readonly()
                        ? QStringLiteral("%1 holds a change that was cut off, and it cannot be put right: %2.")
                              .arg(shown_, fault->Plain())
                        : QStringLiteral("%1 is damaged: the database does not read back whole.").arg(shown_)) +
                   InMemoryNote;
        return false;
    }
    if (db_->Value("PRAGMA application_id").value_or(QVariant(0)).toLongLong() != ApplicationId) {
        problem_ = QStringLiteral("%1 is another program's database, not a Trackpace speed log.").arg(shown_) +
                   InMemoryNote;
        return false;
    }
    return true;
}

bool LogStore::Migrate()
{
    // The write lock first: a log that another program holds is left alone.
    if (db_->Exec("BEGIN IMMEDIATE")) {
        problem_ = QStringLiteral("%1 is locked by another program.").arg(shown_) + InMemoryNote;
        return false;
    }
    const qint64 version = db_->Value("PRAGMA user_version").value_or(QVariant(-1)).toLongLong();
    if (version == SchemaVersion) {
        return !db_->Exec("COMMIT");
    }
    if (version > SchemaVersion) {
        db_->Exec("ROLLBACK");
        problem_ = QStringLiteral("%1 was written by a newer Trackpace.").arg(shown_) + InMemoryNote;
        return false;
    }
    std::optional<SqliteFault> fault = db_->Exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId).toUtf8());
    if (!fault && version <= 0) {
        fault = db_->Exec(Schema);
        fault = fault ? fault : db_->Exec(SettingsSchema);
    } else if (!fault) {
        if (version == 1) {
            // 1 -> 2: the log's own settings (its units).
            fault = db_->Exec(SettingsSchema);
        }
        // 2 -> 3: run numbers never used twice, times to the microsecond, the exact
        // scale distance and the speeds from it, how each run came in, and each
        // group's figures kept with the runs.
        fault = fault ? fault
                      : db_->Exec("DROP INDEX IF EXISTS runs_by_identity; ALTER TABLE runs RENAME TO runs_before;");
        fault = fault ? fault : db_->Exec(Schema);
        if (!fault) {
            const std::unique_ptr<SqliteStatement> old = db_->Prepare(
                "SELECT id, recorded, locomotive, throttle, direction, scale, ratio, track, inches, milliseconds "
                "FROM runs_before ORDER BY id");
            LogWriter writer(*db_);
            while (old->Next()) {
                const TrackNow track{old->Text(5), old->Real(6), old->Text(7) == CircleConfig, old->Real(8)};
                LoggedRun run = MakeRun(QDateTime::fromString(old->Text(1), Qt::ISODateWithMs), old->Text(2),
                                        static_cast<int>(old->Integer(3)), old->Text(4) == DirectionText(true), track,
                                        old->Integer(9) * 1000);
                run.locomotive = old->Text(2);  // exactly as kept
                run.id = old->Integer(0);
                if (!writer.Insert(run)) {
                    break;
                }
            }
            fault = old->Failed() ? old->Failed() : std::nullopt;
            if (!fault && writer.Fault()) {
                fault = SqliteFault{1, 0, *writer.Fault()};
            }
        }
        fault = fault ? fault : db_->Exec("DROP TABLE runs_before;");
    }
    if (!fault) {
        LogWriter writer(*db_);
        if (!writer.Refigure({})) {
            fault = SqliteFault{1, 0, writer.Fault().value_or(QString())};
        }
    }
    fault = fault ? fault : db_->Exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion).toUtf8());
    fault = fault ? fault : db_->Exec("COMMIT");
    if (fault) {
        db_->Exec("ROLLBACK");
        problem_ = QStringLiteral("%1 could not be made ready for runs: %2.").arg(shown_, fault->Plain()) + InMemoryNote;
        return false;
    }
    return true;
}

bool LogStore::CanWrite()
{
    // Room for the journal and the runs, and a folder that takes the journal: a
    // change made and taken back, before any run depends on it.
    const QStorageInfo disk(QFileInfo(PathText(path_)).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < LeastRoom) {
        problem_ = QStringLiteral("%1 cannot take runs: the disk is full.").arg(shown_) + InMemoryNote;
        return false;
    }
    std::optional<SqliteFault> fault = db_->Exec("BEGIN IMMEDIATE");
    fault = fault ? fault : db_->Exec("INSERT OR REPLACE INTO settings (key, value) VALUES ('write check', '')");
    db_->Exec("ROLLBACK");
    if (fault) {
        problem_ = QStringLiteral("%1 cannot take runs: %2.").arg(shown_, fault->Plain()) + InMemoryNote;
        return false;
    }
    return true;
}

std::optional<std::vector<qint64>> LogStore::Ids() const
{
    return ReadIds(*db_);
}

std::optional<std::vector<qint64>> ReadIds(SqliteDatabase& db)
{
    std::vector<qint64> ids;
    const std::unique_ptr<SqliteStatement> query = db.Prepare("SELECT id FROM runs ORDER BY id");
    while (query->Next()) {
        ids.push_back(query->Integer(0));
    }
    if (query->Failed()) {
        return std::nullopt;
    }
    return ids;
}

std::optional<std::vector<LoggedRun>> LogStore::RunsBetween(qint64 first, qint64 last) const
{
    const std::unique_ptr<SqliteStatement> query = db_->Prepare(
        QStringLiteral("SELECT id, %1 FROM runs WHERE id BETWEEN ?1 AND ?2 ORDER BY id").arg(RunColumns).toUtf8());
    query->Bind(1, first).Bind(2, last);
    std::vector<LoggedRun> runs;
    while (query->Next()) {
        runs.push_back(RunOf(*query));
    }
    if (query->Failed()) {
        return std::nullopt;
    }
    return runs;
}

std::optional<QString> EachRun(SqliteDatabase& db, const std::function<bool(const LoggedRun&)>& take)
{
    const std::unique_ptr<SqliteStatement> query =
        db.Prepare(QStringLiteral("SELECT id, %1 FROM runs ORDER BY id").arg(RunColumns).toUtf8());
    while (query->Next()) {
        if (!take(RunOf(*query))) {
            break;
        }
    }
    return query->Failed() ? std::optional<QString>(query->Failed()->Plain()) : std::nullopt;
}

std::optional<QString> LogStore::ForEachRun(const std::function<bool(const LoggedRun&)>& take) const
{
    return EachRun(*db_, take);
}

namespace {

constexpr const char* StepColumns = "SELECT locomotive, direction, throttle, median, runs, mean, sd, min, max, kept, "
                                    "kept_mean, kept_sd, kept_min, kept_max FROM steps";

StepGroup StepOf(const SqliteStatement& row)
{
    StepGroup group;
    group.key = StepKey{row.Text(0), row.Text(1) == DirectionText(true), static_cast<int>(row.Integer(2))};
    group.figures.median = row.Real(3);
    group.figures.all =
        GroupStats{static_cast<int>(row.Integer(4)), row.Real(5), row.Real(6), row.Real(7), row.Real(8)};
    group.figures.kept =
        GroupStats{static_cast<int>(row.Integer(9)), row.Real(10), row.Real(11), row.Real(12), row.Real(13)};
    return group;
}

}  // namespace

std::optional<std::vector<StepGroup>> LogStore::Steps() const
{
    return ReadSteps(*db_);
}

std::optional<std::vector<StepGroup>> ReadSteps(SqliteDatabase& db)
{
    std::vector<StepGroup> groups;
    const std::unique_ptr<SqliteStatement> query = db.Prepare(StepColumns);
    while (query->Next()) {
        groups.push_back(StepOf(*query));
    }
    if (query->Failed()) {
        return std::nullopt;
    }
    SortForReading(groups);
    return groups;
}

std::optional<StepGroup> LogStore::Step(const StepKey& key) const
{
    const std::unique_ptr<SqliteStatement> query = db_->Prepare(
        QByteArray(StepColumns) + " WHERE locomotive = ?1 AND direction = ?2 AND throttle = ?3");
    BindKey(*query, key);
    return query->Next() ? std::optional<StepGroup>(StepOf(*query)) : std::nullopt;
}

bool LogStore::ChangedElsewhere()
{
    const qint64 version = db_->Value("PRAGMA data_version").value_or(QVariant(-1)).toLongLong();
    const bool changed = version != dataVersion_;
    dataVersion_ = version;
    return changed;
}

void LogStore::SetPatience(bool patient)
{
    readPatience_ = patient ? ReadBusyMilliseconds : 0;
    db_->SetBusyTimeout(readPatience_);
}

namespace {

// Runs `change` in one transaction on `db`: committed whole, or taken back whole.
// It waits up to `patience` ms for another program's change to end, reads after it
// `readPatience` ms.
std::optional<QString> Transaction(SqliteDatabase& db, int patience, int readPatience,
                                   const std::function<bool(LogWriter&)>& change)
{
    db.SetBusyTimeout(patience);
    const std::optional<SqliteFault> begun = db.Exec("BEGIN IMMEDIATE");
    db.SetBusyTimeout(readPatience);
    if (begun) {
        return begun->Plain();
    }
    LogWriter writer(db);
    std::optional<QString> failed;
    if (!change(writer)) {
        failed = writer.Fault().value_or(QStringLiteral("the change could not be made"));
    } else if (const std::optional<SqliteFault> fault = db.Exec("COMMIT")) {
        failed = fault->Plain();
    }
    if (failed) {
        db.Exec("ROLLBACK");
    }
    return failed;
}

}  // namespace

int LogStore::Patience() const
{
    // While an import or export holds the log, a change does not wait for it.
    return readPatience_ == 0 ? 0 : BusyMilliseconds;
}

std::optional<QString> LogStore::Add(LoggedRun& run)
{
    LoggedRun kept = run;
    const std::optional<QString> failed = Transaction(*db_, Patience(), readPatience_, [&kept](LogWriter& writer) {
        return writer.Insert(kept) && writer.Refigure({StepKey{kept.locomotive, kept.reverse, kept.throttle}});
    });
    if (!failed) {
        run.id = kept.id;
    }
    ChangedElsewhere();
    return failed;
}

std::optional<QString> LogStore::Remove(const std::vector<qint64>& ids)
{
    const std::optional<QString> failed = Transaction(*db_, Patience(), readPatience_, [&ids](LogWriter& writer) {
        std::vector<StepKey> touched;
        for (const qint64 id : ids) {
            const std::optional<StepKey> key = writer.Delete(id);
            if (writer.Fault()) {
                return false;
            }
            if (key && std::find(touched.begin(), touched.end(), *key) == touched.end()) {
                touched.push_back(*key);
            }
        }
        return writer.Refigure(touched);
    });
    ChangedElsewhere();
    return failed;
}

std::optional<QString> LogStore::Restore(const std::vector<LoggedRun>& runs)
{
    const std::optional<QString> failed = Transaction(*db_, Patience(), readPatience_, [&runs](LogWriter& writer) {
        std::vector<StepKey> touched;
        for (LoggedRun run : runs) {
            if (!writer.Insert(run)) {
                return false;
            }
            const StepKey key{run.locomotive, run.reverse, run.throttle};
            if (std::find(touched.begin(), touched.end(), key) == touched.end()) {
                touched.push_back(key);
            }
        }
        return writer.Refigure(touched);
    });
    ChangedElsewhere();
    return failed;
}

std::optional<QString> LogStore::Carry(std::vector<LoggedRun>& runs)
{
    std::vector<LoggedRun> kept = runs;
    for (LoggedRun& run : kept) {
        run.id = 0;
    }
    const std::optional<QString> failed = Transaction(*db_, Patience(), readPatience_, [&kept](LogWriter& writer) {
        std::vector<StepKey> touched;
        for (LoggedRun& run : kept) {
            if (!writer.Insert(run)) {
                return false;
            }
            touched.push_back(StepKey{run.locomotive, run.reverse, run.throttle});
        }
        return writer.Refigure(touched);
    });
    if (!failed) {
        runs = std::move(kept);
    }
    ChangedElsewhere();
    return failed;
}

QString LogStore::Setting(const QString& key, const QString& fallback) const
{
    const std::unique_ptr<SqliteStatement> query = db_->Prepare("SELECT value FROM settings WHERE key = ?1");
    query->Bind(1, key);
    return query->Next() ? query->Text(0) : fallback;
}

std::optional<QString> LogStore::SetSetting(const QString& key, const QString& value)
{
    const std::unique_ptr<SqliteStatement> query =
        db_->Prepare("INSERT OR REPLACE INTO settings (key, value) VALUES (?1, ?2)");
    query->Bind(1, key).Bind(2, value);
    const std::optional<SqliteFault> fault = query->Run();
    ChangedElsewhere();
    return fault ? std::optional<QString>(fault->Plain()) : std::nullopt;
}

std::unique_ptr<SqliteDatabase> LogStore::Connect() const
{
    auto db = std::make_unique<SqliteDatabase>(inMemory_ ? memoryName_ : SqliteFileName(path_),
                                               SqliteDatabase::Mode::ReadWrite, BusyMilliseconds);
    return db->IsOpen() ? std::move(db) : nullptr;
}

LogWriter::LogWriter(SqliteDatabase& db)
    : db_(db),
      has_(db.Prepare("SELECT 1 FROM runs WHERE locomotive = ?2 AND direction = ?4 AND throttle = ?3 AND "
                      "microseconds = ?5 AND recorded = ?1")),
      insert_(db.Prepare(QStringLiteral("INSERT INTO runs (%1) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
                                        "?12, ?13)")
                             .arg(RunColumns)
                             .toUtf8())),
      insertNumbered_(db.Prepare(QStringLiteral("INSERT INTO runs (id, %1) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                                                "?9, ?10, ?11, ?12, ?13, ?14)")
                                     .arg(RunColumns)
                                     .toUtf8())),
      find_(db.Prepare("SELECT locomotive, direction, throttle FROM runs WHERE id = ?1")),
      delete_(db.Prepare("DELETE FROM runs WHERE id = ?1")),
      speeds_(db.Prepare("SELECT mph FROM runs WHERE locomotive = ?1 AND direction = ?2 AND throttle = ?3")),
      putStep_(db.Prepare("INSERT OR REPLACE INTO steps VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
                          "?13, ?14)")),
      dropStep_(db.Prepare("DELETE FROM steps WHERE locomotive = ?1 AND direction = ?2 AND throttle = ?3"))
{
}

LogWriter::~LogWriter() = default;

const QString& LogWriter::Recorded(const LoggedRun& run)
{
    // A run is looked for and then added: its time is written out once.
    if (recordedOf_ != run.recorded || recordedOf_.offsetFromUtc() != run.recorded.offsetFromUtc() ||
        recorded_.isEmpty()) {
        recordedOf_ = run.recorded;
        recorded_ = run.recorded.toString(Qt::ISODateWithMs);
    }
    return recorded_;
}

bool LogWriter::Ran(SqliteStatement& statement)
{
    if (const std::optional<SqliteFault> fault = statement.Run()) {
        fault_ = fault->Plain();
        return false;
    }
    return true;
}

bool LogWriter::Has(const LoggedRun& run)
{
    has_->Bind(1, Recorded(run))
        .Bind(2, run.locomotive)
        .Bind(3, run.throttle)
        .Bind(4, DirectionText(run.reverse))
        .Bind(5, run.microseconds);
    const bool found = has_->Next();
    has_->Reset();
    return found;
}

bool LogWriter::Insert(LoggedRun& run)
{
    if (run.id > 0) {
        insertNumbered_->Bind(1, run.id);
        BindRun(*insertNumbered_, run, Recorded(run), 2);
        return Ran(*insertNumbered_);
    }
    BindRun(*insert_, run, Recorded(run), 1);
    if (!Ran(*insert_)) {
        return false;
    }
    run.id = db_.LastInsertId();
    return true;
}

std::optional<StepKey> LogWriter::Delete(qint64 id)
{
    find_->Bind(1, id);
    std::optional<StepKey> key;
    if (find_->Next()) {
        key = StepKey{find_->Text(0), find_->Text(1) == DirectionText(true), static_cast<int>(find_->Integer(2))};
    }
    if (const std::optional<SqliteFault> fault = find_->Failed()) {
        fault_ = fault->Plain();
    }
    find_->Reset();
    if (key) {
        delete_->Bind(1, id);
        if (!Ran(*delete_)) {
            return std::nullopt;
        }
    }
    return key;
}

bool LogWriter::Refigure(const std::vector<StepKey>& keys)
{
    const auto put = [this](const StepKey& key, const std::vector<double>& speeds) {
        if (speeds.empty()) {
            BindKey(*dropStep_, key);
            return Ran(*dropStep_);
        }
        const StepFigures figures = FiguresOf(speeds);
        BindKey(*putStep_, key);
        putStep_->Bind(4, figures.median);
        int at = 5;
        for (const GroupStats& stats : {figures.all, figures.kept}) {
            putStep_->Bind(at, stats.count).Bind(at + 1, stats.mean).Bind(at + 2, stats.sd).Bind(at + 3, stats.min);
            putStep_->Bind(at + 4, stats.max);
            at += 5;
        }
        return Ran(*putStep_);
    };
    if (!keys.empty()) {
        for (const StepKey& key : keys) {
            BindKey(*speeds_, key);
            std::vector<double> speeds;
            while (speeds_->Next()) {
                speeds.push_back(speeds_->Real(0));
            }
            const std::optional<SqliteFault> fault = speeds_->Failed();
            speeds_->Reset();
            if (fault) {
                fault_ = fault->Plain();
                return false;
            }
            if (!put(key, speeds)) {
                return false;
            }
        }
        return true;
    }
    // No keys: every group afresh, in one pass over the runs in group order.
    if (const std::optional<SqliteFault> fault = db_.Exec("DELETE FROM steps")) {
        fault_ = fault->Plain();
        return false;
    }
    const std::unique_ptr<SqliteStatement> all =
        db_.Prepare("SELECT locomotive, direction, throttle, mph FROM runs ORDER BY locomotive, direction, throttle");
    std::optional<StepKey> current;
    std::vector<double> speeds;
    while (all->Next()) {
        const StepKey key{all->Text(0), all->Text(1) == DirectionText(true), static_cast<int>(all->Integer(2))};
        if (current && !(*current == key)) {
            if (!put(*current, speeds)) {
                return false;
            }
            speeds.clear();
        }
        current = key;
        speeds.push_back(all->Real(3));
    }
    if (all->Failed()) {
        fault_ = all->Failed()->Plain();
        return false;
    }
    return !current || put(*current, speeds);
}
