// File helpers shared by the settings file and printing: folders, links and writing whole.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

class QFileDevice;

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
