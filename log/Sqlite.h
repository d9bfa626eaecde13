// A thin hold on SQLite's own interface: a connection, its statements, and what went wrong in plain words.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// What SQLite said of a call that failed: its extended result code, the system's
// own error number where a system call failed (ENOSPC, EFBIG, EACCES …), and its
// message as the library words it (for the file's name in a report, never alone).
struct SqliteFault {
    int code = 0;
    int systemError = 0;
    QString detail;
    bool Busy() const;      // another connection holds the lock
    bool Full() const;      // no room: a full disk, or a file size limit
    bool Readonly() const;  // the file or its folder may not be written
    // The reason in the user's words: "the disk is full", "another program is using it" …
    QString Plain() const;
};

class SqliteStatement;

class SqliteDatabase {
public:
    enum class Mode { ReadOnly, ReadWrite, ReadWriteCreate };
    // `name` as the file system spells it (SQLite takes a file name's bytes as they are
    // on POSIX systems, and UTF-8 on Windows); ":memory:" or a "file:" URI for a log
    // that is never written to disk.
    SqliteDatabase(const QByteArray& name, Mode mode, int busyMilliseconds);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool IsOpen() const { return db_ != nullptr; }
    // How the opening went; empty where it went well.
    const std::optional<SqliteFault>& OpenFault() const { return openFault_; }

    // Runs `sql` (one or more statements without values); the fault where it failed.
    std::optional<SqliteFault> Exec(const char* sql);
    std::optional<SqliteFault> Exec(const QByteArray& sql) { return Exec(sql.constData()); }
    std::unique_ptr<SqliteStatement> Prepare(const char* sql);
    std::unique_ptr<SqliteStatement> Prepare(const QByteArray& sql) { return Prepare(sql.constData()); }
    // The first column of the first row of `sql`, or nothing.
    std::optional<QVariant> Value(const char* sql);
    qint64 LastInsertId() const;
    void SetBusyTimeout(int milliseconds);
    SqliteFault Fault() const;

private:
    sqlite3* db_ = nullptr;
    std::optional<SqliteFault> openFault_;
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Values from 1, as SQLite numbers them.
    SqliteStatement& Bind(int at, qint64 value);
    SqliteStatement& Bind(int at, int value) { return Bind(at, static_cast<qint64>(value)); }
    SqliteStatement& Bind(int at, double value);
    SqliteStatement& Bind(int at, const QString& value);
    // True while a row stands ready; false at the end and on a fault (see Failed()).
    bool Next();
    // Runs a statement that returns no rows; the fault where it failed.
    std::optional<SqliteFault> Run();
    std::optional<SqliteFault> Failed() const { return fault_; }
    // Ready to run again with new values.
    void Reset();

    qint64 Integer(int column) const;
    double Real(int column) const;
    QString Text(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_;
    std::optional<SqliteFault> fault_;
};

// The name SQLite is given for a log at `path` (as the program holds paths: see PathBytes).
QByteArray SqliteFileName(const QByteArray& path);
