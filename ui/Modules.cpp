// Finding and loading the program's modules, and refusing one of another version.
#include "ui/Modules.h"

#include "core/Files.h"
#include "core/ModuleVersion.h"
#include "core/ProgramFolders.h"
#include "core/Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

ModuleEntry ModuleFunction(const QString& name, const char* symbol)
{
    // The folder's own bytes: a copy unpacked into a folder whose name is not text
    // (a Latin-1 "café") finds its modules all the same.
    const std::optional<QByteArray> beside = ExecutableDirectory();
    if (!beside) {
        return {};
    }
    const QByteArray file = QByteArrayLiteral("/trackpace-") + name.toUtf8();
    for (const QByteArray& folder : {*beside, *beside + QByteArrayLiteral("/.."),
                                     *beside + QByteArrayLiteral("/") + QByteArrayLiteral(TRACKPACE_MODULE_SUBDIR)}) {
        const TextPath path(folder + file);
        // Once loaded, a module stays loaded: QLibrary only unloads when asked to.
        QLibrary module(path.Text());
        if (!module.load()) {
            continue;
        }
        const auto version = reinterpret_cast<ModuleVersionFunction>(module.resolve(ModuleVersionSymbol));
        const QString built = version != nullptr ? QString::fromUtf8(version()) : QString();
        if (built != QLatin1String(TrackpaceVersion)) {
            // Its other functions may not be what this program calls: not one of them is.
            const QString shown = PathText(folder + file) + u'.' + QFileInfo(module.fileName()).suffix();
            return {nullptr, QDir::toNativeSeparators(QDir::cleanPath(shown)), built};
        }
        return {module.resolve(symbol), {}, {}};
    }
    return {};
}

QString StaleModuleText(const ModuleEntry& entry)
{
    const QString of = entry.staleVersion.isEmpty() ? QStringLiteral("an older Trackpace")
                                                    : QStringLiteral("Trackpace ") + entry.staleVersion;
    return QStringLiteral("%1 belongs to %2, not to this Trackpace %3: install Trackpace again, or remove that file.")
        .arg(entry.staleFile, of, QLatin1String(TrackpaceVersion));
}
