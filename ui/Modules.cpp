// Finding and loading the program's modules.
#include "ui/Modules.h"

#include <QCoreApplication>
#include <QLibrary>

QFunctionPointer ModuleFunction(const QString& name, const char* symbol)
{
    const QString file = QStringLiteral("trackpace-") + name;
    const QString beside = QCoreApplication::applicationDirPath();
    for (const QString& folder : {beside, beside + QStringLiteral("/.."),
                                  beside + QStringLiteral("/") + QStringLiteral(TRACKPACE_MODULE_SUBDIR)}) {
        // Once loaded, a module stays loaded: QLibrary only unloads when asked to.
        QLibrary module(folder + u'/' + file);
        if (const QFunctionPointer function = module.resolve(symbol)) {
            return function;
        }
    }
    return nullptr;
}
