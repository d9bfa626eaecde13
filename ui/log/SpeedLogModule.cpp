// The speed log module's entry, which the program looks up when the log is first opened.
#include "ui/log/frmSpeedLog.h"

extern "C" Q_DECL_EXPORT SpeedLogLink* TrackpaceCreateSpeedLog(SpeedLogHost* host, const QByteArray* path)
{
    return new frmSpeedLog(*host, *path);
}
