// The values every window shares, the program's identity and the start-up routine.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class StartupHost;

// The module of shared values. The windows read and write these directly; there is
// deliberately no accessor layer and no change notification, so a handler always sees
// what the previous handler left behind.
namespace General {

inline QString IniPath;
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

// The program's entry point after the application object exists: fixes the length
// limits, finds the settings file beside the executable, loads the settings into the
// (still hidden) main window and finally shows it.
void Main(StartupHost& host);

}  // namespace General
