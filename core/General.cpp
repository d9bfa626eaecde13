// The program's identity and the one writer of the settings path.
#include "core/General.h"
#include "core/Files.h"

#include <QDir>
#include <QFile>

namespace General {

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

namespace {

QByteArray InFolder(const QByteArray& folder, const QByteArray& name)
{
    return (folder.endsWith('/') ? folder : folder + '/') + name;
}

}  // namespace

void SetIniFolder(const std::optional<QByteArray>& folder)
{
    if (!folder) {
        IniPathNative.clear();
        IniPath.clear();
        return;
    }
    IniPathNative = InFolder(*folder, QByteArrayLiteral("Trackpace.ini"));
    IniPath = QDir::toNativeSeparators(PathText(IniPathNative));
}

void SetLogFolder(const std::optional<QByteArray>& folder)
{
    LogPathNative = folder ? InFolder(*folder, QByteArrayLiteral("Trackpace.log.sqlite")) : QByteArray();
    DevicesPathNative = folder ? InFolder(*folder, QByteArrayLiteral("Trackpace.devices.ini")) : QByteArray();
}

}  // namespace General
