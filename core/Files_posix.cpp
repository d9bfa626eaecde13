// Symbolic links on POSIX systems, read byte for byte; folders whose names are not text, reached all the same.
#include "core/Files.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

std::optional<QByteArray> ReadLink(const QByteArray& link)
{
    // The link's target may be longer than any fixed buffer; grow until it fits.
    for (std::size_t size = 256; size <= (1U << 20); size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = ::readlink(link.constData(), buffer.data(), buffer.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return QByteArray(buffer.data(), length);
        }
    }
    return std::nullopt;
}

namespace {

bool ReadsAsText(const QByteArray& bytes)
{
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

}  // namespace

TextPath::TextPath(const QByteArray& path)
{
    if (ReadsAsText(path)) {
        text_ = QFile::decodeName(path);
        return;
    }
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (!ReadsAsText(name)) {
        return;
    }
    folder_ = ::open(FolderOf(path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ >= 0) {
        text_ = QStringLiteral("/proc/self/fd/%1/").arg(folder_) + QFile::decodeName(name);
    }
}

TextPath::~TextPath()
{
    if (folder_ >= 0) {
        ::close(folder_);
    }
}

QByteArray PathBytes(const QString& path)
{
    return QFile::encodeName(path);
}

QString PathText(const QByteArray& path)
{
    return QFile::decodeName(path);
}
