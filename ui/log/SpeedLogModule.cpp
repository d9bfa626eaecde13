// The speed log module's entry, which the program looks up when the log is first opened.
#include "core/ModuleVersion.h"
#include "core/Version.h"
#include "ui/log/frmSpeedLog.h"

extern "C" Q_DECL_EXPORT const char* TrackpaceModuleVersion()
{
    return TrackpaceVersion;
}

extern "C" Q_DECL_EXPORT SpeedLogLink* TrackpaceCreateSpeedLog(SpeedLogHost* host, const QByteArray* path)
{
    return new frmSpeedLog(*host, *path);
}
