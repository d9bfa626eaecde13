// Reading, checking and writing of the settings file Trackpace.ini.
#pragma once

#include "settings/SettingsFile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class HomeLink;

// Reads the file at General::IniPathNative into DefScale, DefTrackConfig and DefLength,
// puts in the built-in default (HO, STRAIGHT, 48) with a warning for each fault, and
// hands the three values to the main window.
void LoadSettings(HomeLink& home);
// The same for the bytes of a file already in memory (the fuzzer feeds it directly).
void LoadSettingsText(HomeLink& home, const QByteArray& text);

// Fills General::IniKeys / IniValues with the file's key lines and sets `count`;
// a missing or corrupt file is reported here and leaves `count` 0.
void ReadSettingsFile(qint16& count);
// The key lines of the file's bytes; a corrupt text is reported and leaves `count` 0.
void ReadSettingsText(const QByteArray& text, qint16& count);

void CheckScale(HomeLink& home);
void CheckTrackConfig(HomeLink& home);
void CheckTrackLength(HomeLink& home);

// Shows General::InitMessage in the start-up warning box.
void ShowInitError();

// True for a regular file at `path` (a link to one counts); false for anything else.
bool FileExists(const QByteArray& path);

// Replaces the file at General::IniPathNative by the four lines of the current defaults,
// writing nothing but a settings file (see WriteOwnFile): a failed write never costs
// the user the defaults saved before, nor touches anything else at that path.
WriteResult WriteSettingsFile();

inline const QString InitErrorTitle = QStringLiteral("Trackpace - Initialization Error");

// The length value of a TrackLength line: rounded down, 0 for an empty value, and
// NaN for text that is no number, so that the check rejects it.
float TrackLengthValue(const QString& value);
