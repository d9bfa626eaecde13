// The system registry through advapi32.
#include "ui/about/Registry.h"

#include <windows.h>

namespace {

HKEY Handle(Registry::Key key)
{
    return reinterpret_cast<HKEY>(key);
}

class WindowsRegistry final : public Registry {
public:
    long OpenKey(Key root, const QByteArray& subKey, quint32 options, quint32 access, Key& key) override
    {
        HKEY handle = nullptr;
        const LONG result = RegOpenKeyExA(Handle(root), subKey.constData(), options, access, &handle);
        key = reinterpret_cast<Key>(handle);
        return result;
    }

    long QueryValue(Key key, const QByteArray& valueName, quint32& type, QByteArray& data, quint32& size) override
    {
        DWORD valueType = 0;
        DWORD bytes = size;
        const LONG result = RegQueryValueExA(Handle(key), valueName.constData(), nullptr, &valueType,
                                             reinterpret_cast<LPBYTE>(data.data()), &bytes);
        type = valueType;
        size = bytes;
        return result;
    }

    void CloseKey(Key key) override { RegCloseKey(Handle(key)); }
};

}  // namespace

Registry::Key LocalMachineRoot()
{
    // A predefined key is a sign-extended handle value: taken from the header, not
    // written out as a number, so that 64-bit Windows names the root it means.
    return reinterpret_cast<Registry::Key>(HKEY_LOCAL_MACHINE);
}

std::unique_ptr<Registry> SystemRegistry()
{
    return std::make_unique<WindowsRegistry>();
}
