#pragma once

#include "platform/SecretStore.h"

#include <QDBusConnection>

#include <memory>

// The desktop's keyring, spoken to directly over D-Bus (the Secret Service
// API that GNOME Keyring and KWallet both offer): entries under the program's
// name and a key, read, written and deleted by asynchronous calls, with a
// prompt to unlock where the keyring asks for one. No keyring library: the
// program's own D-Bus connection is all it takes.
class SecretService : public SecretStore {
public:
    explicit SecretService(QDBusConnection bus);

    void read(const QString &key, QObject *context, Callback done) override;
    void write(const QString &key, const QString &secret, QObject *context, Callback done) override;
    void remove(const QString &key, QObject *context, Callback done) override;

private:
    void run(int kind, const QString &key, const QString &secret, QObject *context, Callback done);

    QDBusConnection m_bus;
    // Shared with the operations still running, which may outlive the store.
    std::shared_ptr<bool> m_silent = std::make_shared<bool>(false);
};
