// The serial port on Windows: the Win32 communications API, overlapped reads woken by an event notifier.
#include "devices/SerialPort.h"

#include <QWinEventNotifier>

#include <windows.h>

#include <algorithm>
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
                return PortMissingText(path);
            }
            if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
                return PortBusyText(path);
            }
            return QStringLiteral("%1 could not be opened: %2.").arg(path, SystemMessage(error));
        }
        DCB mode {};
        mode.DCBlength = sizeof mode;
        if (!GetCommState(handle, &mode)) {
            CloseHandle(handle);
            return NotSerialText(path);
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
        // A read takes what is there and returns at once; the wait for more is a
        // communications event (a byte received), which uses no processor meanwhile.
        COMMTIMEOUTS timeouts {MAXDWORD, 0, 0, 0, 500};
        if (!SetCommState(handle, &mode) || !SetCommTimeouts(handle, &timeouts) || !SetCommMask(handle, EV_RXCHAR)) {
            CloseHandle(handle);
            return BaudRefusedText(path, baud);
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
    // Takes what has come (as much as the driver says it holds, so that the read
    // returns at once), then waits for the next byte.
    void StartRead()
    {
        for (;;) {
            DWORD errors = 0;
            COMSTAT status {};
            if (!ClearCommError(handle_, &errors, &status)) {
                Gone(GetLastError());
                return;
            }
            if (status.cbInQue == 0) {
                break;
            }
            OVERLAPPED overlapped {};
            ResetEvent(writeEvent_);
            overlapped.hEvent = writeEvent_;  // done before any write begins
            const DWORD wanted = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(buffer_.size()));
            DWORD got = 0;
            if (!ReadFile(handle_, buffer_.data(), wanted, &got, &overlapped) &&
                (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &overlapped, &got, TRUE))) {
                Gone(GetLastError());
                return;
            }
            if (got == 0) {
                break;
            }
            emit Received(QByteArray(buffer_.data(), static_cast<qsizetype>(got)));
            if (handle_ == INVALID_HANDLE_VALUE) {
                return;  // closed by whoever took the bytes
            }
        }
        readOverlapped_ = OVERLAPPED {};
        ResetEvent(readEvent_);
        readOverlapped_.hEvent = readEvent_;
        events_ = 0;
        if (WaitCommEvent(handle_, &events_, &readOverlapped_)) {
            SetEvent(readEvent_);  // done at once: the notifier reads on
        } else if (GetLastError() != ERROR_IO_PENDING) {
            Gone(GetLastError());
            return;
        }
        reading_ = true;
    }

    void ReadDone()
    {
        if (!reading_) {
            return;  // a signal left from a wait already done
        }
        DWORD unused = 0;
        if (!GetOverlappedResult(handle_, &readOverlapped_, &unused, FALSE)) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_INCOMPLETE) {
                return;  // woken early: the wait goes on
            }
            reading_ = false;
            if (error == ERROR_OPERATION_ABORTED) {
                StartRead();  // a wait some drivers end when the port is written to
                return;
            }
            Gone(error);
            return;
        }
        reading_ = false;
        StartRead();
    }

    void Gone(DWORD error)
    {
        Close();
        emit Lost(PortLostText(path_, SystemMessage(error)));
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE readEvent_ = nullptr;
    HANDLE writeEvent_ = nullptr;
    OVERLAPPED readOverlapped_ {};
    bool reading_ = false;  // a wait for the next byte is under way
    DWORD events_ = 0;
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
