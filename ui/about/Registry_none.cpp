// Systems without a registry: one in which no key exists.
#include "ui/about/Registry.h"

namespace {

constexpr long FileNotFound = 2;  // the result a registry gives for a missing key

class NoRegistry final : public Registry {
public:
    long OpenKey(Key, const QByteArray&, quint32, quint32, Key& key) override
    {
        key = 0;
        return FileNotFound;
    }

    long QueryValue(Key, const QByteArray&, quint32&, QByteArray&, quint32&) override { return FileNotFound; }

    void CloseKey(Key) override {}
};

}  // namespace

Registry::Key LocalMachineRoot()
{
    // The number Windows' header gives HKEY_LOCAL_MACHINE, for fakes to compare with.
    return static_cast<Registry::Key>(0x80000002U);
}

std::unique_ptr<Registry> SystemRegistry()
{
    return std::make_unique<NoRegistry>();
}
