// What every system's serial port says when it cannot be used, in the same words.
#include "devices/SerialPort.h"

QString PortMissingText(const QString& path)
{
    return QStringLiteral("There is no port %1: is the device plugged in?").arg(path);
}

QString PortBusyText(const QString& path)
{
    return QStringLiteral("%1 is in use by another program (a serial monitor, another Trackpace?): close it there "
                          "first.")
        .arg(path);
}

QString NotSerialText(const QString& path)
{
    return QStringLiteral("%1 is not a serial port.").arg(path);
}

QString BaudRefusedText(const QString& path, int baud)
{
    return QStringLiteral("%1 does not take %2 baud.").arg(path).arg(baud);
}

QString PortLostText(const QString& path, const QString& why)
{
    return QStringLiteral("%1 went away (%2).").arg(path, why);
}
