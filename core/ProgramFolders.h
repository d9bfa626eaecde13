// Where the program finds its settings folder: beside the executable, or the user's own folder.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A copy started from wherever it was built or unpacked keeps its settings beside
// the executable; an installed copy keeps them in the user's own folder, since the
// folder of an installed program is not the user's to write.
enum class SettingsPlace { BesideExecutable, UserConfiguration };

// The folder that holds the running executable, as the file system spells it (any
// bytes, not only valid text). `selfLink` is the link the system keeps to the
// running executable (where it keeps one); it still names the folder when the file
// itself has since been deleted or replaced. Nothing when the folder cannot be known.
std::optional<QByteArray> ExecutableDirectory(const QByteArray& selfLink = QByteArrayLiteral("/proc/self/exe"));

// True for a path that names its folder from the root (on Windows also from a
// drive letter or a network share), not from wherever the program was started.
bool IsAbsolutePath(const QByteArray& path);

// The user's own folder for the program's settings: on POSIX systems
// $XDG_CONFIG_HOME/Trackpace, else ~/.config/Trackpace with the home folder from
// $HOME or, failing that, the user database; on Windows %APPDATA%\Trackpace. Only
// absolute folders count. Nothing when none is known.
std::optional<QByteArray> UserConfigurationDirectory();

// The POSIX rule of UserConfigurationDirectory() on given values.
std::optional<QByteArray> UserConfigurationDirectory(const QByteArray& xdgConfigHome, const QByteArray& home,
                                                     const QByteArray& accountHome);

// The user's own folder for the program's data (the speed log): on POSIX systems
// $XDG_DATA_HOME/Trackpace, else ~/.local/share/Trackpace; on Windows, as the
// settings, %APPDATA%\Trackpace.
std::optional<QByteArray> UserDataDirectory();
std::optional<QByteArray> UserDataDirectory(const QByteArray& xdgDataHome, const QByteArray& home,
                                            const QByteArray& accountHome);

// Where a file dialog opens for a kind of file: `last`, the folder last used for that
// kind, where it is still a folder; else the user's Documents folder; else the home
// folder. Never the working folder (the program's own, when a Start-menu link
// started it under Program Files).
QString DialogFolder(const QString& last);
