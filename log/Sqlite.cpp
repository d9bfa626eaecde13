// Opening SQLite databases, running statements, and wording what went wrong.
#include "log/Sqlite.h"

#include <sqlite3.h>

#include <cerrno>

bool SqliteFault::Busy() const
{
    const int primary = code & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool SqliteFault::Full() const
{
    return (code & 0xFF) == SQLITE_FULL || systemError == ENOSPC || systemError == EFBIG;
}

bool SqliteFault::Readonly() const
{
    return (code & 0xFF) == SQLITE_READONLY || code == SQLITE_CANTOPEN || systemError == EACCES ||
           systemError == EPERM || systemError == EROFS;
}

QString SqliteFault::Plain() const
{
    if (systemError == EFBIG) {
        return QStringLiteral("the file has reached the largest size this computer lets Trackpace write");
    }
    if (Full()) {
        return QStringLiteral("the disk is full");
    }
    if (code == SQLITE_READONLY_DIRECTORY || code == SQLITE_CANTOPEN) {
        return QStringLiteral("its folder does not let Trackpace make the journal file that every change needs "
                              "beside the log");
    }
    if (Readonly()) {
        return QStringLiteral("the file or its folder may not be written");
    }
    if (Busy()) {
        return QStringLiteral("another program is using it");
    }
    switch (code & 0xFF) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return QStringLiteral("the file is damaged");
        case SQLITE_IOERR:
            return QStringLiteral("the disk reported an error");
        case SQLITE_NOMEM:
            return QStringLiteral("the computer is out of memory");
        case SQLITE_INTERRUPT:
            return QStringLiteral("it was cancelled");
        default:
            return QStringLiteral("the database reported a fault (%1, code %2)").arg(detail).arg(code);
    }
}

SqliteDatabase::SqliteDatabase(const QByteArray& name, Mode mode, int busyMilliseconds)
{
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
        case Mode::ReadOnly:
            flags |= SQLITE_OPEN_READONLY;
            break;
        case Mode::ReadWrite:
            flags |= SQLITE_OPEN_READWRITE;
            break;
        case Mode::ReadWriteCreate:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
            break;
    }
    if (name.startsWith("file:")) {
        flags |= SQLITE_OPEN_URI;
    }
    const int result = sqlite3_open_v2(name.constData(), &db_, flags, nullptr);
    if (db_ != nullptr) {
        sqlite3_extended_result_codes(db_, 1);
    }
    if (result != SQLITE_OK) {
        openFault_ = db_ != nullptr ? Fault() : SqliteFault{result, 0, QString::fromUtf8(sqlite3_errstr(result))};
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    SetBusyTimeout(busyMilliseconds);
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(db_);
}

SqliteFault SqliteDatabase::Fault() const
{
    return {sqlite3_extended_errcode(db_), sqlite3_system_errno(db_), QString::fromUtf8(sqlite3_errmsg(db_))};
}

std::optional<SqliteFault> SqliteDatabase::Exec(const char* sql)
{
    if (db_ == nullptr) {
        return openFault_;
    }
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? std::nullopt
                                                                          : std::optional<SqliteFault>(Fault());
}

std::unique_ptr<SqliteStatement> SqliteDatabase::Prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (db_ != nullptr) {
        sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    }
    return std::make_unique<SqliteStatement>(db_, statement);
}

std::optional<QVariant> SqliteDatabase::Value(const char* sql)
{
    const std::unique_ptr<SqliteStatement> statement = Prepare(sql);
    if (!statement->Next()) {
        return std::nullopt;
    }
    return QVariant(statement->Text(0));
}

qint64 SqliteDatabase::LastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

void SqliteDatabase::SetBusyTimeout(int milliseconds)
{
    if (db_ != nullptr) {
        sqlite3_busy_timeout(db_, milliseconds);
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::Bind(int at, qint64 value)
{
    if (statement_ != nullptr) {
        sqlite3_bind_int64(statement_, at, value);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int at, double value)
{
    if (statement_ != nullptr) {
        sqlite3_bind_double(statement_, at, value);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int at, const QString& value)
{
    if (statement_ != nullptr) {
        const QByteArray text = value.toUtf8();
        sqlite3_bind_text(statement_, at, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

bool SqliteStatement::Next()
{
    if (statement_ == nullptr) {
        fault_ = db_ != nullptr ? SqliteFault{sqlite3_extended_errcode(db_), sqlite3_system_errno(db_),
                                              QString::fromUtf8(sqlite3_errmsg(db_))}
                                : SqliteFault{SQLITE_MISUSE, 0, QStringLiteral("no database")};
        return false;
    }
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result != SQLITE_DONE) {
        fault_ = SqliteFault{sqlite3_extended_errcode(db_), sqlite3_system_errno(db_),
                             QString::fromUtf8(sqlite3_errmsg(db_))};
    }
    return false;
}

std::optional<SqliteFault> SqliteStatement::Run()
{
    fault_.reset();
    while (Next()) {
    }
    const std::optional<SqliteFault> fault = fault_;
    Reset();
    return fault;
}

void SqliteStatement::Reset()
{
    if (statement_ != nullptr) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    fault_.reset();
}

qint64 SqliteStatement::Integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::Real(int column) const
{
    return sqlite3_column_double(statement_, column);
}

QString SqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement_, column));
}

QByteArray SqliteFileName(const QByteArray& path)
{
    // The program holds paths as SQLite takes them: the file system's bytes on POSIX
    // systems, UTF-8 on Windows (which SQLite hands to the system as UTF-16).
    return path;
}
