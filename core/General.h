// The values every window shares and the program's identity.
#pragma once

#include "core/Version.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// The module of shared values. The windows read and write these directly; there is
// deliberately no accessor layer and no change notification, so a handler always sees
// what the previous handler left behind.
namespace General {

// The settings file's path, as shown to the user; written only by SetIniFolder.
inline QString IniPath;
// The same path as the file system spells it. A folder name need not be valid text,
// and IniPath (made to be shown) cannot hold such bytes; the file is reached by these.
inline QByteArray IniPathNative;
// The speed log's database: beside the settings file for a copy
// run from its own folder, in the user's data folder for an installed one; written
// only by SetLogFolder.
inline QByteArray LogPathNative;
// Trackpace.devices.ini beside it, the Devices window's choices; set with it.
inline QByteArray DevicesPathNative;
// The folder a PDF file was last saved in, where the next Save PDF dialog opens.
inline QString LastPdfFolder;
inline QString DefScale;
inline QString DefTrackConfig;
inline float DefLength = 0.0F;
inline float ScaleRatio = 0.0F;
inline QString ScaleName;
inline float ScaleDistance = 0.0F;
// Work value of the arithmetic: hours while a speed is computed, the current row's
// run time while a table is built. Held as a float on purpose: the rounding to 32
// bits is part of the results users see.
inline float WorkTime = 0.0F;
inline qint16 MinLength = 0;
inline qint16 MaxLength = 0;

// Working data of the settings reading only.
inline QString InitMessage;
inline QStringList IniKeys;
inline QStringList IniValues;

inline const QString AppTitle = QStringLiteral("Trackpace");
inline constexpr int VersionMajor = TrackpaceVersionMajor;
inline constexpr int VersionMinor = TrackpaceVersionMinor;
inline constexpr int VersionRevision = TrackpaceVersionPatch;

// "1.3.0": the version as the windows show it.
QString VersionText();

// Points IniPathNative at Trackpace.ini in `folder` (the file system's bytes) and
// IniPath at the same file as text, in the system's own separators; with no folder
// both stay empty, and the settings are neither read nor written anywhere else.
void SetIniFolder(const std::optional<QByteArray>& folder);
// Points LogPathNative at Trackpace.log.sqlite in `folder` and DevicesPathNative at
// Trackpace.devices.ini there, or both at nothing.
void SetLogFolder(const std::optional<QByteArray>& folder);

}  // namespace General
