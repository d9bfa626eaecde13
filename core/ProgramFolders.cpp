// The folder of the executable, and the configuration folder's rule, on any system.
#include "core/ProgramFolders.h"

#include "core/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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
    return PathBytes(dir);
}

namespace {

// An XDG base folder: the variable's folder where it names an absolute one, else the
// home folder's `fallback`; Trackpace's own folder inside.
std::optional<QByteArray> XdgFolder(const QByteArray& variable, const QByteArray& home, const QByteArray& accountHome,
                                    const QByteArray& fallback)
{
    if (IsAbsolutePath(variable)) {
        return Joined(variable, QByteArrayLiteral("Trackpace"));
    }
    for (const QByteArray& base : {home, accountHome}) {
        if (IsAbsolutePath(base)) {
            return Joined(base, fallback + QByteArrayLiteral("/Trackpace"));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<QByteArray> UserConfigurationDirectory(const QByteArray& xdgConfigHome, const QByteArray& home,
                                                     const QByteArray& accountHome)
{
    return XdgFolder(xdgConfigHome, home, accountHome, QByteArrayLiteral(".config"));
}

std::optional<QByteArray> UserDataDirectory(const QByteArray& xdgDataHome, const QByteArray& home,
                                            const QByteArray& accountHome)
{
    return XdgFolder(xdgDataHome, home, accountHome, QByteArrayLiteral(".local/share"));
}

QString DialogFolder(const QString& last)
{
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
