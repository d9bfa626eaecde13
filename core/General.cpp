// The start-up routine of the shared module.
#include "core/General.h"

#include "core/HomeLink.h"
#include "settings/Settings.h"

#include <QCoreApplication>

namespace General {

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

void Main(StartupHost& host)
{
    MinLength = 1;
    MaxLength = 240;
    // Beside the executable, never the working directory: a shortcut or a terminal
    // started elsewhere must still find the user's defaults.
    IniPath = QCoreApplication::applicationDirPath() + QStringLiteral("/Trackpace.ini");
    LoadSettings(host);
    host.ShowMainWindow();
}

}  // namespace General
