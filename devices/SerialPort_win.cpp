// The serial port on Windows: the Win32 communications API, overlapped reads woken by an event notifier.
#include "devices/SerialPort.h"

#include <QWinEventNotifier>

#include <windows.h>

#include <array>

namespace {

// "COM5" as the system names the device; a path typed whole stays as it is.
std::wstring DevicePath(const QString& path)
{
    const QString trimmed = path.trimmed();
    const QString whole = trimmed.startsWith(QStringLiteral("\\\\")) ? trimmed : QStringLiteral("\\\\.\\") + trimmed;
    return whole.toStdWString();
}

QString SystemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = text != nullptr ? QString::fromWCharArray(text).trimmed() : QString::number(error);
    LocalFree(text);
    return message.endsWith(QLatin1Char('.')) ? message.chopped(1) : message;
}

class WinSerialPort : public SerialPort {
public:
    explicit WinSerialPort(QObject* parent) : SerialPort(parent)
    {
        readEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~WinSerialPort() override
    {
        Close();
        CloseHandle(readEvent_);
        CloseHandle(writeEvent_);
    }

    std::optional<QString> Open(const QString& path, int baud) override
    {
        Close();
        const HANDLE handle = CreateFileW(DevicePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                return QStringLiteral("There is no port %1: is the device plugged in?").arg(path);
            }
            if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
                return QStringLiteral("%1 is in use by another program (a serial monitor, another Trackpace?): "
                                      "close it there first.")
                    .arg(path);
            }
            return QStringLiteral("%1 could not be opened: %2.").arg(path, SystemMessage(error));
        }
        DCB mode {};
        mode.DCBlength = sizeof mode;
        if (!GetCommState(handle, &mode)) {
            CloseHandle(handle);
            return QStringLiteral("%1 is not a serial port.").arg(path);
        }
        mode.BaudRate = static_cast<DWORD>(baud);
        mode.ByteSize = 8;
        mode.Parity = NOPARITY;
        mode.StopBits = ONESTOPBIT;
        mode.fBinary = TRUE;
        mode.fParity = FALSE;
        mode.fOutxCtsFlow = FALSE;
        mode.fOutxDsrFlow = FALSE;
        mode.fDtrControl = DTR_CONTROL_ENABLE;
        mode.fRtsControl = RTS_CONTROL_ENABLE;
        mode.fOutX = FALSE;
        mode.fInX = FALSE;
        mode.fNull = FALSE;
        mode.fAbortOnError = FALSE;
        // A read returns as soon as a byte is there, and waits (without using the
        // processor) while none is.
        COMMTIMEOUTS timeouts {MAXDWORD, MAXDWORD, MAXDWORD - 1, 0, 500};
        if (!SetCommState(handle, &mode) || !SetCommTimeouts(handle, &timeouts)) {
            CloseHandle(handle);
            return QStringLiteral("%1 does not take %2 baud.").arg(path).arg(baud);
        }
        handle_ = handle;
        path_ = path;
        notifier_ = new QWinEventNotifier(readEvent_, this);
        connect(notifier_, &QWinEventNotifier::activated, this, &WinSerialPort::ReadDone);
        StartRead();
        return std::nullopt;
    }

    void Close() override
    {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return;
        }
        delete notifier_;
        notifier_ = nullptr;
        if (reading_) {
            CancelIoEx(handle_, &readOverlapped_);
            DWORD got = 0;
            GetOverlappedResult(handle_, &readOverlapped_, &got, TRUE);
            reading_ = false;
        }
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    bool Write(const QByteArray& bytes) override
    {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        OVERLAPPED overlapped {};
        ResetEvent(writeEvent_);
        overlapped.hEvent = writeEvent_;
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) {
                return false;
            }
            // A short command leaves within the write timeout (500 ms) or not at all.
            if (!GetOverlappedResult(handle_, &overlapped, &written, TRUE)) {
                return false;
            }
        }
        return written == static_cast<DWORD>(bytes.size());
    }

private:
    void StartRead()
    {
        for (;;) {
            readOverlapped_ = OVERLAPPED {};
            ResetEvent(readEvent_);
            readOverlapped_.hEvent = readEvent_;
            DWORD got = 0;
            if (ReadFile(handle_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, &readOverlapped_)) {
                // Done at once: hand it on and read again.
                if (got > 0) {
                    emit Received(QByteArray(buffer_.data(), static_cast<qsizetype>(got)));
                    if (handle_ == INVALID_HANDLE_VALUE) {
                        return;
                    }
                }
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                reading_ = true;
                return;
            }
            Gone(error);
            return;
        }
    }

    void ReadDone()
    {
        reading_ = false;
        DWORD got = 0;
        if (!GetOverlappedResult(handle_, &readOverlapped_, &got, FALSE)) {
            Gone(GetLastError());
            return;
        }
        if (got > 0) {
            emit Received(QByteArray(buffer_.data(), static_cast<qsizetype>(got)));
            if (handle_ == INVALID_HANDLE_VALUE) {
                return;
            }
        }
        StartRead();
    }

    void Gone(DWORD error)
    {
        Close();
        emit Lost(QStringLiteral("%1 went away (%2).").arg(path_, SystemMessage(error)));
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE readEvent_ = nullptr;
    HANDLE writeEvent_ = nullptr;
    OVERLAPPED readOverlapped_ {};
    bool reading_ = false;
    std::array<char, 4096> buffer_ {};
    QWinEventNotifier* notifier_ = nullptr;
    QString path_;
};

}  // namespace

SerialPort* SerialPort::Create(QObject* parent)
{
    return new WinSerialPort(parent);
}

QStringList SerialPortNames()
{
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        std::array<wchar_t, 256> name {};
        std::array<wchar_t, 256> data {};
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (result != ERROR_SUCCESS) {
            break;
        }
        if (type == REG_SZ) {
            names.append(QString::fromWCharArray(data.data()));
        }
    }
    RegCloseKey(key);
    names.sort();
    return names;
}

bool SerialPortPresent(const QString& path)
{
    const HANDLE handle = CreateFileW(DevicePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND;
    }
    CloseHandle(handle);
    return true;
}
