#include "platform/SecretStore.h"

#include "platform/SecretService.h"

namespace {

struct Slot {
    std::unique_ptr<SecretStore> store;
    bool chosen = false;
};

Slot &slot()
{
    static Slot s;
    return s;
}

} // namespace

SecretStore *SecretStore::current()
{
    Slot &s = slot();
    if (!s.chosen) {
        s.chosen = true;
        if (qEnvironmentVariable("VELTO_KEYRING") != u"off")
            s.store = std::make_unique<SecretService>(QDBusConnection::sessionBus());
    }
    return s.store.get();
}

void SecretStore::setCurrent(std::unique_ptr<SecretStore> store)
{
    Slot &s = slot();
    s.chosen = store != nullptr;
    s.store = std::move(store);
}
