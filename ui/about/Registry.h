// A read-only view of the Windows registry, small enough to fake in tests.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

inline constexpr quint32 HKEY_LOCAL_MACHINE_ROOT = 0x80000002U;
// Query and set value, create and enumerate sub-keys, notify, create link, read
// control: what the lookup has always asked for, not full access.
inline constexpr quint32 KeyAccessMask = 0x2003FU;
inline constexpr quint32 ValueBufferBytes = 1024U;
inline constexpr quint32 RegString = 1U;
inline constexpr quint32 RegNumber = 4U;

// The three registry operations, with the result codes of the system (0 = success).
class Registry {
public:
    using Key = quintptr;

    virtual ~Registry() = default;
    virtual long OpenKey(quint32 root, const QByteArray& subKey, quint32 options, quint32 access, Key& key) = 0;
    // `data` arrives holding `size` bytes of buffer; on success `size` is the count stored.
    virtual long QueryValue(Key key, const QByteArray& valueName, quint32& type, QByteArray& data,
                            quint32& size) = 0;
    virtual void CloseKey(Key key) = 0;
};

// The system's registry on Windows; elsewhere one in which no key exists.
std::unique_ptr<Registry> SystemRegistry();
