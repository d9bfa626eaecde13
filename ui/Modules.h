// The program's loadable modules: code (and the libraries it brings) loaded only when first needed.
#pragma once

#include <QFunctionPointer>
#include <QString>

// The function `symbol` of the module trackpace-<name>, loaded now if it is not yet;
// null where the module (or a library it needs) cannot be loaded. A module stands
// beside the executable (a copy run from its own folder, and the tests' build
// folder above them) or in the installed program's library folder.
QFunctionPointer ModuleFunction(const QString& name, const char* symbol);
