// Absolute paths and the user's configuration folder on POSIX systems.
#include "core/ProgramFolders.h"

#include <pwd.h>
#include <unistd.h>

bool IsAbsolutePath(const QByteArray& path)
{
    return path.startsWith('/');
}

namespace {

// The home folder the user database gives this user.
QByteArray AccountHome()
{
    const passwd* account = ::getpwuid(::getuid());
    return account != nullptr && account->pw_dir != nullptr ? QByteArray(account->pw_dir) : QByteArray();
}

}  // namespace

std::optional<QByteArray> UserConfigurationDirectory()
{
    return UserConfigurationDirectory(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME"), AccountHome());
}

std::optional<QByteArray> UserDataDirectory()
{
    return UserDataDirectory(qgetenv("XDG_DATA_HOME"), qgetenv("HOME"), AccountHome());
}
