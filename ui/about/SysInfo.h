// Finding and starting the system's information tool.
#pragma once

#include "ui/about/Registry.h"

#include <QString>

#include <functional>
#include <stdexcept>

// A value with no data at all: the lookup cannot go on with it.
class EmptyRegistryValue : public std::runtime_error {
public:
    EmptyRegistryValue() : std::runtime_error("registry value holds no data") {}
};

// Reads one registry value as text into `KeyVal`. False (and KeyVal empty) when the
// key cannot be opened or the value cannot be read; throws EmptyRegistryValue for a
// value of zero bytes. A string loses one trailing NUL, a number becomes decimal
// text, any other type leaves KeyVal as it came in.
bool GetKeyValue(Registry& registry, Registry::Key KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                 QString& KeyVal);

// The tool's path by the registry: the MSINFO path value used as it stands, else the
// shared tools directory holding MSINFO32.EXE. Empty when neither leads anywhere.
QString LocateByRegistry(Registry& registry, const std::function<bool(const QString&)>& fileExists);

// Starts the program at `path` as a process of its own, without waiting for it;
// false when there is none to start.
bool StartDetached(const QString& path);

struct SysInfoTools {
    std::function<QString()> locate;                 // the tool's path, empty for none
    std::function<bool(const QString&)> start;       // start without waiting; false on failure
};

// What this platform uses: the registry on Windows, elsewhere the first of the
// desktop information tools on PATH; and a detached process start of the path
// itself (never a shell command line).
SysInfoTools SystemSysInfoTools();

inline const QString SysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// Starts the tool, or shows the one message that it is unavailable.
void StartSysInfo(const SysInfoTools& tools);
