// The system registry through advapi32 on Windows, an empty one elsewhere.
#include "ui/about/Registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
class WindowsRegistry final : public Registry {
public:
    long OpenKey(quint32 root, const QByteArray& subKey, quint32 options, quint32 access, Key& key) override
    {
        HKEY handle = nullptr;
        const LONG result = RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<quintptr>(root)),
                                          subKey.constData(), options, access, &handle);
        key = reinterpret_cast<Key>(handle);
        return result;
    }

    long QueryValue(Key key, const QByteArray& valueName, quint32& type, QByteArray& data,
                    quint32& size) override
    {
        DWORD valueType = 0;
        DWORD bytes = size;
        const LONG result = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr,
                                             &valueType, reinterpret_cast<LPBYTE>(data.data()), &bytes);
        type = valueType;
        size = bytes;
        return result;
    }

    void CloseKey(Key key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }
};
#else
class NoRegistry final : public Registry {
public:
    long OpenKey(quint32, const QByteArray&, quint32, quint32, Key& key) override
    {
        key = 0;
        return 2;  // the system's "file not found"
    }

    long QueryValue(Key, const QByteArray&, quint32&, QByteArray&, quint32&) override { return 2; }

    void CloseKey(Key) override {}
};
#endif

}  // namespace

std::unique_ptr<Registry> SystemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsRegistry>();
#else
    return std::make_unique<NoRegistry>();
#endif
}
