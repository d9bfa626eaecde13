// The values every window shares, the program's identity and the start-up routine.
#pragma once

#include "core/ProgramFolders.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class StartupHost;

// The module of shared values. The windows read and write these directly; there is
// deliberately no accessor layer and no change notification, so a handler always sees
// what the previous handler left behind.
namespace General {

inline QString IniPath;
// IniPath as the file system spells it. A folder name need not be valid text, and
// IniPath (made to be shown) cannot hold such bytes; the file is reached by these.
inline QByteArray IniPathNative;
inline QString DefScale;
inline QString DefTrackConfig;
inline float DefLength = 0.0F;
inline float ScaleRatio = 0.0F;
inline QString ScaleName;
inline float ScaleDistance = 0.0F;
// Scratch value of the arithmetic: hours while a speed is computed, the current
// row's run time while a table is built. Held as a float on purpose: the rounding
// to 32 bits is part of the results users see.
inline float WorkTime = 0.0F;
inline qint16 MinLength = 0;
inline qint16 MaxLength = 0;

// Working data of the settings reading only.
inline QString InitMessage;
inline QStringList IniKeys;
inline QStringList IniValues;

inline const QString AppTitle = QStringLiteral("Trackpace");
inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 3;
inline constexpr int VersionRevision = 0;

// "1.3.0": the version as the windows show it.
QString VersionText();

// Points IniPath (and IniPathNative) at Trackpace.ini in `folder`; with no folder
// both stay empty, and the settings are neither read nor written anywhere else.
void SetIniFolder(const std::optional<QByteArray>& folder);

// A write beyond the file size limit must fail like a full disk, with a message,
// not end the program: the signal for it is ignored.
void IgnoreFileSizeSignal();

// The program's entry point after the application object exists: fixes the length
// limits, finds the settings file (beside the executable, or for an installed copy
// in the user's configuration folder), loads the settings into the (still hidden)
// main window and finally shows it.
void Main(StartupHost& host, SettingsPlace place = SettingsPlace::BesideExecutable);

}  // namespace General
