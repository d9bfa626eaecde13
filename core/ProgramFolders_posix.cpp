// Absolute paths and the user's configuration folder on POSIX systems.
#include "core/ProgramFolders.h"

#include <pwd.h>
#include <unistd.h>

bool IsAbsolutePath(const QByteArray& path)
{
    return path.startsWith('/');
}

std::optional<QByteArray> UserConfigurationDirectory()
{
    QByteArray accountHome;
    if (const passwd* account = ::getpwuid(::getuid())) {
        if (account->pw_dir != nullptr) {
            accountHome = account->pw_dir;
        }
    }
    return UserConfigurationDirectory(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME"), accountHome);
}
