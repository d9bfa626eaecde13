// The settings file on disk: read through one open, saved only where the file is the program's own.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct WriteResult {
    bool ok = false;
    QString reason;  // the system's words, or what stands at the path, when !ok
};

// The path of the settings file as the file system spells it: IniPathNative when it
// is IniPath's own spelling, else IniPath encoded as file names are.
QByteArray NativeIniPath();

// True for a regular file at `path` (a link to one counts).
bool IsRegularFile(const QByteArray& path);

// The whole file, or nothing when it cannot be opened or read, when what was opened
// is not a regular file, or when it holds more than `maxBytes`. The open never
// blocks (a FIFO put in place of the file is refused at once) and is the only look-up
// of the name: whatever is checked is the thing that was opened.
std::optional<QByteArray> ReadRegularFile(const QByteArray& path, qint64 maxBytes);

// Replaces the file at `path` by `bytes`, or creates it (with any missing folders)
// where nothing is. Only a regular file is written, also one a symbolic link leads
// to (the link stays, the file keeps its owner, permissions and folder); anything
// else at the path is left untouched and named in the reason. The new text goes to
// a temporary file beside the old one that replaces it only once complete; where the
// folder takes no new file but the file itself is writable, the file is written in
// place instead. A short or failed write is always reported.
WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes);
