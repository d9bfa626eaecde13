// File helpers shared by the settings file, printing and the speed log: folders, links, writing whole, paths as text.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

class QFileDevice;

// A path as the program holds it, and as text: on POSIX systems the file system's own
// bytes (any bytes, not only valid text), on Windows UTF-8 (the system's UTF-16
// names, every letter kept; never the 8-bit code page, which drops what it lacks).
QByteArray PathBytes(const QString& path);
QString PathText(const QByteArray& path);

// The folder part of `path` as the file system spells it: "/" for a file in the
// root folder, "." for a bare name.
QByteArray FolderOf(const QByteArray& path);

// Where the symbolic link `link` points, however long; nothing when it is no link
// or cannot be read.
std::optional<QByteArray> ReadLink(const QByteArray& link);

// Writes all of `bytes` to the open `file` from where it stands, going on after a
// short write, so that a failure carries the system's own reason (a full disk, a
// file size limit). `written` (where given) says how many bytes reached the file.
std::optional<QString> WriteAll(QFileDevice& file, QByteArrayView bytes, qint64* written = nullptr);

// Writes `bytes` to `path` whole or not at all (an existing file stays as it was
// unless the new one is complete); the system's reason when it could not.
std::optional<QString> WriteWholeFile(const QString& path, const QByteArray& bytes);

// A path for libraries that take file names as text (SQLite through Qt SQL): the
// path itself where its bytes read as text. Where a folder's name does not (a Latin-1
// "café" on a UTF-8 system), the folder is held open while this lives and reached
// through the process's own table of open files (on Linux); Text() is empty where
// the path cannot be named as text at all.
class TextPath {
public:
    explicit TextPath(const QByteArray& path);
    ~TextPath();
    TextPath(const TextPath&) = delete;
    TextPath& operator=(const TextPath&) = delete;

    const QString& Text() const { return text_; }

private:
    int folder_ = -1;
    QString text_;
};
