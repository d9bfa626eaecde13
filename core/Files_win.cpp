// Symbolic links on Windows, through Qt's own reading of them; paths, which are UTF-16 text there and UTF-8 here.
#include "core/Files.h"

#include <QFile>

std::optional<QByteArray> ReadLink(const QByteArray& link)
{
    const QString target = QFile::symLinkTarget(PathText(link));
    if (target.isEmpty()) {
        return std::nullopt;
    }
    return PathBytes(target);
}

TextPath::TextPath(const QByteArray& path) : text_(PathText(path)) {}

TextPath::~TextPath() = default;

QByteArray PathBytes(const QString& path)
{
    return path.toUtf8();
}

QString PathText(const QByteArray& path)
{
    return QString::fromUtf8(path);
}
