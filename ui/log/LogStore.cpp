// The speed log's database: its checks before any write, its schema and its versions, its runs.
#include "ui/log/LogStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

// "TRKP": what marks a database as a Trackpace log.
constexpr qint64 ApplicationId = 0x54524B50;
// How long a write waits for another copy of Trackpace to finish its own, and how
// long the first look at a file waits for a copy that holds it whole (an import).
constexpr int BusyMilliseconds = 5000;
constexpr int LookBusyMilliseconds = 2000;
const QByteArray SqliteHeader("SQLite format 3\0", 16);
const QString SqliteBusy = QStringLiteral("5");

QSqlDatabase Database(const QString& connection)
{
    return QSqlDatabase::database(connection, false);
}

qint64 PragmaValue(const QSqlDatabase& db, const QString& pragma)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA ") + pragma) && query.next() ? query.value(0).toLongLong() : -1;
}

// The statements that bring a log from one version to the next; a log of version n
// runs those from n on.
const std::vector<QStringList>& Migrations()
{
    static const std::vector<QStringList> steps{
        // 0 -> 1: the runs.
        {QStringLiteral("CREATE TABLE runs (id INTEGER PRIMARY KEY, recorded TEXT NOT NULL, "
                        "locomotive TEXT NOT NULL, throttle INTEGER NOT NULL, direction TEXT NOT NULL, "
                        "scale TEXT NOT NULL, ratio REAL NOT NULL, track TEXT NOT NULL, inches REAL NOT NULL, "
                        "scale_feet REAL NOT NULL, milliseconds INTEGER NOT NULL, mph REAL NOT NULL, "
                        "kmh REAL NOT NULL)")},
        // 1 -> 2: the log's own settings (its units), and a quick look-up of a run
        // that an import may bring again.
        {QStringLiteral("CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
         QStringLiteral("CREATE INDEX runs_by_identity ON runs (recorded, locomotive, throttle, direction, "
                        "milliseconds)")},
    };
    return steps;
}

QString Kind(const QFileInfo& info)
{
    return info.isDir() ? QStringLiteral("a folder") : QStringLiteral("a device, pipe or socket");
}

void Bind(QSqlQuery& query, const LoggedRun& run)
{
    query.bindValue(QStringLiteral(":recorded"), run.recorded.toString(Qt::ISODateWithMs));
    query.bindValue(QStringLiteral(":locomotive"), run.locomotive);
    query.bindValue(QStringLiteral(":throttle"), run.throttle);
    query.bindValue(QStringLiteral(":direction"), DirectionText(run.reverse));
    query.bindValue(QStringLiteral(":scale"), run.track.scale);
    query.bindValue(QStringLiteral(":ratio"), run.track.ratio);
    query.bindValue(QStringLiteral(":track"), run.track.circle ? QStringLiteral("CIRCLE") : QStringLiteral("STRAIGHT"));
    query.bindValue(QStringLiteral(":inches"), run.track.inches);
    query.bindValue(QStringLiteral(":feet"), run.track.scaleFeet);
    query.bindValue(QStringLiteral(":milliseconds"), run.milliseconds);
    query.bindValue(QStringLiteral(":mph"), run.mph);
    query.bindValue(QStringLiteral(":kmh"), run.kmh);
}

// The fields that tell whether a run is already in the log.
void BindIdentity(QSqlQuery& query, const LoggedRun& run)
{
    query.bindValue(QStringLiteral(":recorded"), run.recorded.toString(Qt::ISODateWithMs));
    query.bindValue(QStringLiteral(":locomotive"), run.locomotive);
    query.bindValue(QStringLiteral(":throttle"), run.throttle);
    query.bindValue(QStringLiteral(":direction"), DirectionText(run.reverse));
    query.bindValue(QStringLiteral(":milliseconds"), run.milliseconds);
}

const QString Columns = QStringLiteral("recorded, locomotive, throttle, direction, scale, ratio, track, inches, "
                                       "scale_feet, milliseconds, mph, kmh");
const QString Values = QStringLiteral(":recorded, :locomotive, :throttle, :direction, :scale, :ratio, :track, "
                                      ":inches, :feet, :milliseconds, :mph, :kmh");

}  // namespace

LogStore::LogStore(const QByteArray& path)
    : connection_(QStringLiteral("trackpace-log-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      path_(QFile::decodeName(path)),
      reach_(path)
{
    if (path.isEmpty()) {
        problem_ = QStringLiteral("There is no folder for the speed log, so its runs are kept only until Trackpace "
                                  "ends.");
    } else if (reach_.Text().isEmpty()) {
        problem_ = QStringLiteral("The speed log %1 cannot be reached: the database cannot use its name.")
                       .arg(QDir::toNativeSeparators(path_));
    } else if (Check() && Open(reach_.Text()) && Migrate()) {
        return;
    }
    // The file stays as it is; the log goes on in memory.
    QSqlDatabase::removeDatabase(connection_);
    inMemory_ = true;
    if (!Open(QStringLiteral(":memory:")) || !Migrate()) {
        problem_ += QStringLiteral(" (Even a log in memory could not be made.)");
    }
}

LogStore::~LogStore()
{
    Database(connection_).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool LogStore::Check()
{
    const QFileInfo info(reach_.Text());
    const QString shown = QDir::toNativeSeparators(path_);
    const QString inMemory = QStringLiteral(" It was left as it is; the runs of this session are kept only until "
                                            "Trackpace ends, unless you choose another file.");
    if (!info.exists()) {
        if (info.isSymLink()) {
            problem_ = shown + QStringLiteral(" is a link to nothing.") + inMemory;
            return false;
        }
        if (!QDir().mkpath(info.absolutePath())) {
            problem_ = QStringLiteral("The folder %1 could not be made.")
                           .arg(QDir::toNativeSeparators(QFileInfo(path_).absolutePath())) +
                       inMemory;
            return false;
        }
        return true;
    }
    if (!info.isFile()) {
        problem_ = QStringLiteral("%1 is %2, not a Trackpace speed log.").arg(shown, Kind(info)) + inMemory;
        return false;
    }
    // Made read-only (for anybody, root too): not to be changed.
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if ((info.permissions() & writable) == 0 || !info.isWritable()) {
        problem_ = QStringLiteral("%1 is read-only.").arg(shown) + inMemory;
        return false;
    }
    if (info.size() == 0) {
        return true;  // an empty file holds nothing to lose
    }
    QFile file(reach_.Text());
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(SqliteHeader.size()) : QByteArray();
    file.close();
    if (header != SqliteHeader) {
        problem_ = QStringLiteral("%1 is not a Trackpace speed log (it is no database).").arg(shown) + inMemory;
        return false;
    }
    // A look through a connection that cannot write, before anything else.
    const QString looking = connection_ + QStringLiteral("-check");
    QString found;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), looking);
        db.setDatabaseName(reach_.Text());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(LookBusyMilliseconds));
        QSqlQuery check(db);
        if (!db.open() || !check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next() ||
            check.value(0).toString() != u"ok") {
            found = check.lastError().nativeErrorCode() == SqliteBusy
                        ? QStringLiteral("%1 is locked by another program.").arg(shown)
                        : QStringLiteral("%1 is damaged: the database does not read back whole.").arg(shown);
        } else if (PragmaValue(db, QStringLiteral("application_id")) != ApplicationId) {
            found = QStringLiteral("%1 is another program's database, not a Trackpace speed log.").arg(shown);
        } else if (PragmaValue(db, QStringLiteral("user_version")) > SchemaVersion) {
            found = QStringLiteral("%1 was written by a newer Trackpace.").arg(shown);
        }
        check.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(looking);
    if (!found.isEmpty()) {
        problem_ = found + inMemory;
        return false;
    }
    return true;
}

bool LogStore::Open(const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(name);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyMilliseconds));
    if (!db.open()) {
        problem_ = QStringLiteral("%1 could not be opened: %2").arg(inMemory_ ? name : QDir::toNativeSeparators(path_),
                                                                    db.lastError().text());
        return false;
    }
    return true;
}

bool LogStore::Migrate()
{
    QSqlDatabase db = Database(connection_);
    QSqlQuery query(db);
    // The write lock first: a log that another program holds is left alone.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        problem_ = QStringLiteral("%1 is locked by another program. It was left as it is; the runs of this session "
                                  "are kept only until Trackpace ends, unless you choose another file.")
                       .arg(QDir::toNativeSeparators(path_));
        return false;
    }
    const qint64 version = PragmaValue(db, QStringLiteral("user_version"));
    if (version == SchemaVersion) {
        return query.exec(QStringLiteral("COMMIT"));
    }
    bool ok = version >= 0 && query.exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
    for (std::size_t step = static_cast<std::size_t>(std::max<qint64>(version, 0)); ok && step < Migrations().size();
         ++step) {
        for (const QString& statement : Migrations().at(step)) {
            ok = ok && query.exec(statement);
        }
    }
    ok = ok && query.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion));
    if (!ok) {
        problem_ = QStringLiteral("The speed log could not be set up: %1").arg(query.lastError().text());
        query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return query.exec(QStringLiteral("COMMIT"));
}

std::optional<QString> LogStore::Add(LoggedRun& run)
{
    QSqlQuery query(Database(connection_));
    query.prepare(QStringLiteral("INSERT INTO runs (%1) VALUES (%2)").arg(Columns, Values));
    Bind(query, run);
    if (!query.exec()) {
        return query.lastError().text();
    }
    run.id = query.lastInsertId().toLongLong();
    return std::nullopt;
}

std::optional<QString> LogStore::Remove(qint64 id)
{
    QSqlQuery query(Database(connection_));
    query.prepare(QStringLiteral("DELETE FROM runs WHERE id = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    return query.exec() ? std::nullopt : std::optional<QString>(query.lastError().text());
}

std::optional<QString> LogStore::Restore(const LoggedRun& run)
{
    QSqlQuery query(Database(connection_));
    query.prepare(QStringLiteral("INSERT INTO runs (id, %1) VALUES (:id, %2)").arg(Columns, Values));
    query.bindValue(QStringLiteral(":id"), run.id);
    Bind(query, run);
    return query.exec() ? std::nullopt : std::optional<QString>(query.lastError().text());
}

std::vector<LoggedRun> LogStore::Runs() const
{
    std::vector<LoggedRun> runs;
    QSqlQuery query(Database(connection_));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, %1 FROM runs ORDER BY id").arg(Columns))) {
        return runs;
    }
    while (query.next()) {
        const TrackNow track{query.value(5).toString(), query.value(6).toDouble(),
                             query.value(7).toString() == u"CIRCLE", query.value(8).toDouble(),
                             query.value(9).toDouble()};
        LoggedRun run = MakeRun(QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs),
                                query.value(2).toString(), query.value(3).toInt(),
                                query.value(4).toString() == u"reverse", track, query.value(10).toLongLong());
        run.id = query.value(0).toLongLong();
        runs.push_back(run);
    }
    return runs;
}

LogStore::Imported LogStore::Import(const std::vector<CsvRecord>& records)
{
    Imported imported;
    if (records.empty()) {
        imported.refused << QStringLiteral("The file is empty.");
        return imported;
    }
    const QStringList header = records.front().fields;
    QSqlDatabase db = Database(connection_);
    db.transaction();
    QSqlQuery seen(db);
    seen.prepare(QStringLiteral("SELECT 1 FROM runs WHERE recorded = :recorded AND locomotive = :locomotive AND "
                                "throttle = :throttle AND direction = :direction AND milliseconds = :milliseconds"));
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO runs (%1) VALUES (%2)").arg(Columns, Values));
    for (std::size_t i = 1; i < records.size(); ++i) {
        QString whyNot;
        const std::optional<LoggedRun> run = RunFromCsv(header, records.at(i).fields, whyNot);
        if (!run) {
            imported.refused << QStringLiteral("Line %1: %2.").arg(records.at(i).line).arg(whyNot);
            continue;
        }
        BindIdentity(seen, *run);
        if (seen.exec() && seen.next()) {
            ++imported.skipped;
            continue;
        }
        Bind(insert, *run);
        if (insert.exec()) {
            ++imported.added;
        } else {
            imported.refused << QStringLiteral("Line %1: %2.").arg(records.at(i).line).arg(insert.lastError().text());
        }
    }
    if (!db.commit()) {
        imported.refused << QStringLiteral("The runs could not be kept: %1").arg(db.lastError().text());
        imported.added = 0;
    }
    return imported;
}

QString LogStore::Setting(const QString& key, const QString& fallback) const
{
    QSqlQuery query(Database(connection_));
    query.prepare(QStringLiteral("SELECT value FROM settings WHERE key = :key"));
    query.bindValue(QStringLiteral(":key"), key);
    return query.exec() && query.next() ? query.value(0).toString() : fallback;
}

std::optional<QString> LogStore::SetSetting(const QString& key, const QString& value)
{
    QSqlQuery query(Database(connection_));
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) VALUES (:key, :value)"));
    query.bindValue(QStringLiteral(":key"), key);
    query.bindValue(QStringLiteral(":value"), value);
    return query.exec() ? std::nullopt : std::optional<QString>(query.lastError().text());
}
