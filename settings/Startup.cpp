// The start-up routine of the shared module, which needs the settings and so lives beside them.
#include "settings/Startup.h"

#include "core/General.h"
#include "core/HomeLink.h"
#include "core/Process.h"
#include "core/Scales.h"
#include "settings/Settings.h"

namespace General {

void Main(StartupHost& host, SettingsPlace place)
{
    IgnoreFileSizeSignal();
    QuitOnEndSignals();
    MinLength = ShortestLength;
    MaxLength = LongestLength;
    // Beside the executable, never the working directory: a shortcut or a terminal
    // started elsewhere must still find the user's defaults.
    const bool beside = place == SettingsPlace::BesideExecutable;
    SetIniFolder(beside ? ExecutableDirectory() : UserConfigurationDirectory());
    SetLogFolder(beside ? ExecutableDirectory() : UserDataDirectory());
    LoadSettings(host);
    host.ShowMainWindow();
}

}  // namespace General
