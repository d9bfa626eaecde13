// The folder of the executable, and the configuration folder's rule, on any system.
#include "core/ProgramFolders.h"

#include "core/Files.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// `base` and `tail` joined by one slash, however many `base` ends with.
QByteArray Joined(QByteArray base, const QByteArray& tail)
{
    while (base.endsWith('/')) {
        base.chop(1);
    }
    return base + '/' + tail;
}

}  // namespace

std::optional<QByteArray> ExecutableDirectory(const QByteArray& selfLink)
{
    // The system's link holds the real bytes of the path, whatever their encoding;
    // for a deleted executable it reads "<path> (deleted)", whose folder part is
    // still the folder the program was started from.
    if (const std::optional<QByteArray> target = ReadLink(selfLink)) {
        if (!IsAbsolutePath(*target)) {
            return std::nullopt;
        }
        return FolderOf(*target);
    }
    // Systems without that link: Qt's own answer, when it has one.
    const QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dir);
}

std::optional<QByteArray> UserConfigurationDirectory(const QByteArray& xdgConfigHome, const QByteArray& home,
                                                     const QByteArray& accountHome)
{
    if (IsAbsolutePath(xdgConfigHome)) {
        return Joined(xdgConfigHome, QByteArrayLiteral("Trackpace"));
    }
    for (const QByteArray& base : {home, accountHome}) {
        if (IsAbsolutePath(base)) {
            return Joined(base, QByteArrayLiteral(".config/Trackpace"));
        }
    }
    return std::nullopt;
}
