// Finding the executable's folder and the user's configuration folder, byte for byte.
#include "core/ProgramFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>

#include <vector>
#endif

namespace {

std::optional<QByteArray> FolderOf(const QByteArray& file)
{
    const qsizetype slash = file.lastIndexOf('/');
    if (!file.startsWith('/') || slash < 0) {
        return std::nullopt;
    }
    return slash == 0 ? QByteArrayLiteral("/") : file.left(slash);
}

std::optional<QByteArray> ReadLink(const QByteArray& link)
{
#ifdef Q_OS_UNIX
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
#else
    Q_UNUSED(link);
#endif
    return std::nullopt;
}

bool IsAbsolute(const QByteArray& folder)
{
    return folder.startsWith('/');
}

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
    // The kernel's link holds the real bytes of the path, whatever their encoding;
    // for a deleted executable it reads "<path> (deleted)", whose folder part is
    // still the folder the program was started from.
    if (const std::optional<QByteArray> target = ReadLink(selfLink)) {
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
    if (IsAbsolute(xdgConfigHome)) {
        return Joined(xdgConfigHome, QByteArrayLiteral("Trackpace"));
    }
    for (const QByteArray& base : {home, accountHome}) {
        if (IsAbsolute(base)) {
            return Joined(base, QByteArrayLiteral(".config/Trackpace"));
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> UserConfigurationDirectory()
{
    QByteArray accountHome;
#ifdef Q_OS_UNIX
    if (const passwd* account = ::getpwuid(::getuid())) {
        if (account->pw_dir != nullptr) {
            accountHome = account->pw_dir;
        }
    }
#endif
    return UserConfigurationDirectory(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME"), accountHome);
}
