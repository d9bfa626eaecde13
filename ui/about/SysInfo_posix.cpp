// The information tool on desktops without a registry: the first known one on PATH.
#include "ui/about/SysInfo.h"

#include <QStandardPaths>

namespace {

QString LocateOnPath()
{
    for (const char* name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

}  // namespace

SysInfoTools SystemSysInfoTools()
{
    return {LocateOnPath, StartDetached};
}
