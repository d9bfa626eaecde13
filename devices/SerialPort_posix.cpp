// The serial port on Linux and other POSIX systems: termios, non-blocking reads woken by a socket notifier.
#include "devices/SerialPort.h"

#include "core/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t SpeedOf(int baud)
{
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: return B0;
    }
}

// The group that owns `path`, by name ("dialout").
QString GroupOf(const QByteArray& path)
{
    struct stat info;
    if (stat(path.constData(), &info) != 0) {
        return {};
    }
    const struct group* owner = getgrgid(info.st_gid);
    return owner != nullptr ? QString::fromLocal8Bit(owner->gr_name) : QString();
}

QString Refused(const QString& path, const QByteArray& native)
{
    const QString group = GroupOf(native);
    if (group.isEmpty() || group == QStringLiteral("root")) {
        return QStringLiteral("%1 may not be opened by you: ask for read and write rights on it.").arg(path);
    }
    return QStringLiteral("%1 may be opened only by members of the group \"%2\": join it with\n"
                          "    sudo usermod -aG %2 $USER\nthen log out and in again.")
        .arg(path, group);
}

class PosixSerialPort : public SerialPort {
public:
    using SerialPort::SerialPort;
    ~PosixSerialPort() override { Close(); }

    std::optional<QString> Open(const QString& path, int baud) override
    {
        Close();
        const speed_t speed = SpeedOf(baud);
        if (speed == B0) {
            return QStringLiteral("%1 baud is not a rate a serial port is set to.").arg(baud);
        }
        const QByteArray native = PathBytes(path);
        const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EACCES || error == EPERM) {
                return Refused(path, native);
            }
            if (error == ENOENT || error == ENODEV || error == ENXIO) {
                return PortMissingText(path);
            }
            if (error == EBUSY) {
                return PortBusyText(path);
            }
            return QStringLiteral("%1 could not be opened: %2.").arg(path, QString::fromLocal8Bit(std::strerror(error)));
        }
        termios mode {};
        if (tcgetattr(fd, &mode) != 0) {
            ::close(fd);
            return NotSerialText(path);
        }
        // This program alone: another that holds the port (or takes it after) is told.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
            ::close(fd);
            return PortBusyText(path);
        }
        cfmakeraw(&mode);
        mode.c_cflag |= CLOCAL | CREAD;
        mode.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
        mode.c_cc[VMIN] = 1;  // with O_NONBLOCK: EAGAIN when nothing is there, 0 only at the end
        mode.c_cc[VTIME] = 0;
        cfsetispeed(&mode, speed);
        cfsetospeed(&mode, speed);
        if (tcsetattr(fd, TCSANOW, &mode) != 0) {
            ::close(fd);
            return BaudRefusedText(path, baud);
        }
        fd_ = fd;
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &PosixSerialPort::ReadAll);
        path_ = path;
        return std::nullopt;
    }

    void Close() override
    {
        if (fd_ < 0) {
            return;
        }
        delete notifier_;
        notifier_ = nullptr;
        ::close(fd_);
        fd_ = -1;
    }

    bool IsOpen() const override { return fd_ >= 0; }

    bool Write(const QByteArray& bytes) override
    {
        if (fd_ < 0) {
            return false;
        }
        const ssize_t written = ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size()));
        return written == bytes.size();
    }

private:
    void ReadAll()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got > 0) {
                emit Received(QByteArray(buffer, got));
                if (fd_ < 0) {
                    return;  // closed by whoever took the bytes
                }
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                return;
            }
            // End of file or an error on a readable port: it is gone (unplugged, or the
            // other end of a pseudo-terminal closed).
            const QString why = got == 0 ? QStringLiteral("it closed") : QString::fromLocal8Bit(std::strerror(errno));
            Close();
            emit Lost(PortLostText(path_, why));
            return;
        }
    }

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QString path_;
};

}  // namespace

SerialPort* SerialPort::Create(QObject* parent)
{
    return new PosixSerialPort(parent);
}

QStringList SerialPortNames()
{
    QStringList names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        names.append(entry.absoluteFilePath());
    }
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name :
         dev.entryList({QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*")}, QDir::System, QDir::Name)) {
        names.append(dev.absoluteFilePath(name));
    }
    return names;
}

bool SerialPortPresent(const QString& path)
{
    return ::access(PathBytes(path).constData(), F_OK) == 0;
}
