// Finding and loading the program's modules.
#include "ui/Modules.h"

#include "core/Files.h"
#include "core/ProgramFolders.h"

#include <QLibrary>

QFunctionPointer ModuleFunction(const QString& name, const char* symbol)
{
    // The folder's own bytes: a copy unpacked into a folder whose name is not text
    // (a Latin-1 "café") finds its modules all the same.
    const std::optional<QByteArray> beside = ExecutableDirectory();
    if (!beside) {
        return nullptr;
    }
    const QByteArray file = QByteArrayLiteral("/trackpace-") + name.toUtf8();
    for (const QByteArray& folder : {*beside, *beside + QByteArrayLiteral("/.."),
                                     *beside + QByteArrayLiteral("/") + QByteArrayLiteral(TRACKPACE_MODULE_SUBDIR)}) {
        const TextPath path(folder + file);
        // Once loaded, a module stays loaded: QLibrary only unloads when asked to.
        QLibrary module(path.Text());
        if (const QFunctionPointer function = module.resolve(symbol)) {
            return function;
        }
    }
    return nullptr;
}
