// The program's identity and the one writer of the settings path.
#include "core/General.h"

#include <QDir>
#include <QFile>

namespace General {

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

void SetIniFolder(const std::optional<QByteArray>& folder)
{
    if (!folder) {
        IniPathNative.clear();
        IniPath.clear();
        return;
    }
    IniPathNative = (folder->endsWith('/') ? *folder : *folder + '/') + QByteArrayLiteral("Trackpace.ini");
    IniPath = QDir::toNativeSeparators(QFile::decodeName(IniPathNative));
}

}  // namespace General
