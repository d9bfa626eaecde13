// A serial port opened raw at a baud rate, 8N1, read as bytes arrive without ever blocking: one interface, a file per system.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class SerialPort : public QObject {
    Q_OBJECT

public:
    // The system's own port, owned by `parent`.
    static SerialPort* Create(QObject* parent);

    // Opens `path` ("/dev/ttyACM0", "COM5", a pseudo-terminal) raw at `baud`, 8N1, for
    // this program alone; where it cannot, a sentence that says why and what to do.
    virtual std::optional<QString> Open(const QString& path, int baud) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sends `bytes` (short commands: whatever the port does not take at once is dropped
    // and false returned).
    virtual bool Write(const QByteArray& bytes) = 0;

signals:
    // Bytes as they came, in pieces of any size.
    void Received(const QByteArray& bytes);
    // The port went away while open (a USB device pulled): it is closed now.
    void Lost(const QString& why);

protected:
    using QObject::QObject;
};

// The ports a user would choose from, most telling names first: on Linux
// /dev/serial/by-id/*, then /dev/ttyACM* and /dev/ttyUSB*; on Windows the COM ports
// the registry lists.
QStringList SerialPortNames();
// Whether `path` names something that is there (for a port that went away).
bool SerialPortPresent(const QString& path);

// The sentences every system's port gives for the same fault.
QString PortMissingText(const QString& path);
QString PortBusyText(const QString& path);
QString NotSerialText(const QString& path);
QString BaudRefusedText(const QString& path, int baud);
QString PortLostText(const QString& path, const QString& why);
