// The start-up routine of the shared module.
#include "core/General.h"

#include "core/HomeLink.h"
#include "settings/Settings.h"

#include <QFile>

#include <csignal>

namespace General {

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

void SetIniFolder(const std::optional<QByteArray>& folder)
{
    if (!folder) {
        IniPathNative.clear();
        IniPath.clear();
        return;
    }
    IniPathNative = (folder->endsWith('/') ? *folder : *folder + '/') + QByteArrayLiteral("Trackpace.ini");
    IniPath = QFile::decodeName(IniPathNative);
}

void IgnoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void Main(StartupHost& host, SettingsPlace place)
{
    IgnoreFileSizeSignal();
    MinLength = 1;
    MaxLength = 240;
    // Beside the executable, never the working directory: a shortcut or a terminal
    // started elsewhere must still find the user's defaults.
    SetIniFolder(place == SettingsPlace::BesideExecutable ? ExecutableDirectory() : UserConfigurationDirectory());
    LoadSettings(host);
    host.ShowMainWindow();
}

}  // namespace General
