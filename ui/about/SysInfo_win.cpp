// The information tool on Windows: MSINFO32.EXE, found through the registry.
#include "ui/about/SysInfo.h"

#include <QFileInfo>

SysInfoTools SystemSysInfoTools()
{
    return {[] {
                return LocateByRegistry(*SystemRegistry(),
                                        [](const QString& path) { return QFileInfo(path).isFile(); });
            },
            StartDetached};
}
