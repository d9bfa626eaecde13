// Symbolic links on Windows, through Qt's own reading of them; paths, which are text there.
#include "core/Files.h"

#include <QFile>

std::optional<QByteArray> ReadLink(const QByteArray& link)
{
    const QString target = QFile::symLinkTarget(QFile::decodeName(link));
    if (target.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(target);
}

TextPath::TextPath(const QByteArray& path) : text_(QFile::decodeName(path)) {}

TextPath::~TextPath() = default;
