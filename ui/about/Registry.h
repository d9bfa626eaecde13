// A read-only view of the Windows registry, small enough to fake in tests.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

// Query and set value, create and enumerate sub-keys, notify, create link, read
// control: the access the lookup asks for first, not full access.
inline constexpr quint32 KeyAccessMask = 0x2003FU;
// Reading only (KEY_READ), where the first is refused.
inline constexpr quint32 KeyReadMask = 0x20019U;
inline constexpr long RegAccessDenied = 5;  // ERROR_ACCESS_DENIED
inline constexpr quint32 ValueBufferBytes = 1024U;
inline constexpr quint32 RegString = 1U;
inline constexpr quint32 RegNumber = 4U;

// The three registry operations, with the result codes of the system (0 = success).
class Registry {
public:
    // A key handle: a root key or one opened by OpenKey.
    using Key = quintptr;

    virtual ~Registry() = default;
    virtual long OpenKey(Key root, const QByteArray& subKey, quint32 options, quint32 access, Key& key) = 0;
    // `data` arrives holding `size` bytes of buffer; on success `size` is the count stored.
    virtual long QueryValue(Key key, const QByteArray& valueName, quint32& type, QByteArray& data,
                            quint32& size) = 0;
    virtual void CloseKey(Key key) = 0;
};

// The root key HKEY_LOCAL_MACHINE as the system's own header defines it.
Registry::Key LocalMachineRoot();

// The system's registry on Windows; elsewhere one in which no key exists.
std::unique_ptr<Registry> SystemRegistry();
