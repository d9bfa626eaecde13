// Absolute paths and the user's roaming application data folder on Windows.
#include "core/ProgramFolders.h"
#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <shlobj.h>

#include <cctype>

bool IsAbsolutePath(const QByteArray& path)
{
    // C:\ or C:/, and \\server\share (or //server/share).
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path.at(0))) != 0 &&
                       path.at(1) == ':' && (path.at(2) == '\\' || path.at(2) == '/');
    const bool share = path.startsWith("\\\\") || path.startsWith("//");
    return drive || share;
}

std::optional<QByteArray> UserConfigurationDirectory()
{
    // The roaming application data folder (%APPDATA%) that every account has, as the
    // system names it, whatever the environment says.
    PWSTR folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder);
    const QString appData = SUCCEEDED(found) ? QString::fromWCharArray(folder) : QString();
    CoTaskMemFree(folder);
    const QByteArray bytes = PathBytes(QDir::fromNativeSeparators(appData));
    if (!IsAbsolutePath(bytes)) {
        return std::nullopt;
    }
    return bytes + QByteArrayLiteral("/Trackpace");
}

std::optional<QByteArray> UserDataDirectory()
{
    return UserConfigurationDirectory();
}
