// The program's start-up routine: the shared values, the settings, the main window.
#pragma once

#include "core/ProgramFolders.h"

class StartupHost;

namespace General {

// The program's entry point after the application object exists: fixes the length
// limits, finds the settings file (beside the executable, or for an installed copy
// in the user's own folder), loads the settings into the (still hidden) main window
// and finally shows it.
void Main(StartupHost& host, SettingsPlace place = SettingsPlace::BesideExecutable);

}  // namespace General
