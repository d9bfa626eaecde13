// The program's loadable modules: code (and the libraries it brings) loaded only when first needed.
#pragma once

#include <QFunctionPointer>
#include <QString>

// A module's entry, or why there is none.
struct ModuleEntry {
    QFunctionPointer function = nullptr;
    // Where a module of that name was found that another version of Trackpace left
    // (its file, as the user reads it, and its version): it is not called.
    QString staleFile;
    QString staleVersion;
};

// The function `symbol` of the module trackpace-<name>, loaded now if it is not yet,
// where the module is of this very version. A module stands beside the executable (a
// copy run from its own folder, and the tests' build folder above them) or in the
// installed program's library folder; the first one there is the one used.
ModuleEntry ModuleFunction(const QString& name, const char* symbol);

// "…trackpace-log.so belongs to Trackpace 1.2.0, not to this Trackpace 1.3.0: install
// Trackpace again, or remove that file." for a stale module.
QString StaleModuleText(const ModuleEntry& entry);
