// The settings file on disk: read through one open, saved only where the file is the program's own.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

class QFileDevice;

struct WriteResult {
    bool ok = false;
    QString reason;  // the system's words, or what stands at the path, when !ok
};

// True for a regular file at `path` (a link to one counts).
bool IsRegularFile(const QByteArray& path);

// The whole file, or nothing when it cannot be opened or read, when what was opened
// is not a regular file, or when it holds more than `maxBytes`. The open never
// blocks (a FIFO put in place of the file is refused at once) and is the only look-up
// of the name: whatever is checked is the thing that was opened.
std::optional<QByteArray> ReadRegularFile(const QByteArray& path, qint64 maxBytes);

// How Save writes the new text into the open file: all of it (WriteAll), or for
// tests a write that fails part way. The failure's words, and in `written` how many
// bytes reached the file.
using ContentWrite = std::function<std::optional<QString>(QFileDevice& file, QByteArrayView bytes, qint64& written)>;
std::optional<QString> WriteContent(QFileDevice& file, QByteArrayView bytes, qint64& written);

// Replaces the file at `path` by `bytes`, or creates it (with any missing folders)
// where nothing is. Only a regular file is written, also one a symbolic link leads
// to (the link stays, the file keeps its owner, permissions and folder); anything
// else at the path is left untouched and named in the reason. The new text goes to
// a temporary file beside the old one that replaces it only once complete; where the
// folder takes no new file but the file itself is writable, the file is written in
// place instead: only after checking that the new text fits the file size limit and
// the free space, and with the old text kept, to be put back should a write, the
// truncation or the sync still fail. A file without write permission for the user
// is read-only and left alone. A short or failed write is always reported, with
// whether the old text could be put back.
WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes, const ContentWrite& write = WriteContent);
