// The keyring over D-Bus where it asks the user first: a fake Secret Service
// on a private bus whose entries are locked and whose prompts the "user"
// completes or dismisses. (The real daemon's paths are walked in KeyringTest.)
#include "PrivateKeyring.h"
#include "TestSupport.h"

#include "platform/SecretService.h"
#include "platform/SecretValue.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Paths = QList<QDBusObjectPath>;
const QDBusObjectPath item(QStringLiteral("/org/freedesktop/secrets/collection/login/7"));
const QString promptPath = QStringLiteral("/org/freedesktop/secrets/prompt/1");

class FakeSecrets : public QDBusVirtualObject {
public:
    bool locked = true;
    bool dismissPrompt = false;
    bool hasItem = true;
    bool withholdsSecrets = false; // answers GetSecrets with no secret at all
    QStringList members;
    QVariantMap created;
    QByteArray stored = "kept-token";

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        members << call.member();
        QDBusMessage reply = call.createReply();
        const QString m = call.member();
        if (m == u"OpenSession") {
            reply << QVariant::fromValue(QDBusVariant(QString()))
                  << QVariant::fromValue(QDBusObjectPath(u"/org/freedesktop/secrets/session/1"_qs));
        } else if (m == u"SearchItems") {
            const Paths found = hasItem ? Paths { item } : Paths {};
            reply << QVariant::fromValue(locked ? Paths {} : found)
                  << QVariant::fromValue(locked ? found : Paths {});
        } else if (m == u"Unlock") {
            reply << QVariant::fromValue(Paths {})
                  << QVariant::fromValue(QDBusObjectPath(promptPath));
        } else if (m == u"Prompt") {
            QTimer::singleShot(50, [this, bus] {
                locked = dismissPrompt;
                QDBusMessage done = QDBusMessage::createSignal(
                    promptPath, u"org.freedesktop.Secret.Prompt"_qs, u"Completed"_qs);
                done << dismissPrompt
                     << QVariant::fromValue(QDBusVariant(QVariant::fromValue(Paths { item })));
                QDBusConnection(bus).send(done);
            });
        } else if (m == u"GetSecrets") {
            SecretsByItem secrets;
            if (!withholdsSecrets)
                secrets.insert(item, { QDBusObjectPath(u"/"_qs), {}, stored, u"text/plain"_qs });
            reply << QVariant::fromValue(secrets);
        } else if (m == u"ReadAlias") {
            reply << QVariant::fromValue(
                QDBusObjectPath(u"/org/freedesktop/secrets/collection/login"_qs));
        } else if (m == u"CreateItem") {
            created = qdbus_cast<QVariantMap>(call.arguments().value(0));
            stored = qdbus_cast<SecretValue>(call.arguments().value(1)).value;
            reply << QVariant::fromValue(item) << QVariant::fromValue(QDBusObjectPath(u"/"_qs));
        } else if (m == u"Delete") {
            reply << QVariant::fromValue(QDBusObjectPath(u"/"_qs));
        } else if (m == u"SetSecret") {
            stored = qdbus_cast<SecretValue>(call.arguments().value(0)).value;
        }
        QDBusConnection(bus).send(reply);
        return true;
    }
};

struct Case {
    const char *name;
    bool hasItem;
    bool dismiss;
    int operation; // 0 read, 1 write, 2 remove
    SecretStore::Outcome outcome;
    QString secret;
    QByteArray stored;
    bool withholdsSecrets = false;
};

TEST(SecretService, ALockedKeyringIsUnlockedThroughItsPromptOrStaysLockedWhenTheUserSaysNo)
{
    registerSecretValueTypes();
    using O = SecretStore::Outcome;
    const Case cases[] = {
        { "read after the unlock", true, false, 0, O::Done, u"kept-token"_qs, "kept-token" },
        { "read, unlock dismissed", true, true, 0, O::NoKeyring, {}, "kept-token" },
        { "read, no secret given", true, false, 0, O::NotFound, {}, "kept-token", true },
        { "write over the entry", true, false, 1, O::Done, {}, "new-token" },
        { "write a new entry", false, false, 1, O::Done, {}, "new-token" },
        { "write, unlock dismissed", false, true, 1, O::NoKeyring, {}, "kept-token" },
        { "remove after the unlock", true, false, 2, O::Done, {}, "kept-token" },
    };
    testsupport::PrivateKeyring keyring(testsupport::PrivateKeyring::Daemon::None);
    ASSERT_EQ(keyring.problem(), QString());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        QDBusConnection bus = QDBusConnection::connectToBus(keyring.busAddress(), name);
        FakeSecrets fake;
        fake.hasItem = c.hasItem;
        fake.dismissPrompt = c.dismiss;
        fake.withholdsSecrets = c.withholdsSecrets;
        ASSERT_TRUE(bus.registerVirtualObject(
            u"/org/freedesktop/secrets"_qs, &fake, QDBusConnection::SubPath));
        ASSERT_TRUE(bus.registerService(u"org.freedesktop.secrets"_qs));

        SecretService store(QDBusConnection::connectToBus(keyring.busAddress(), name + u" client"));
        QObject context;
        std::optional<SecretStore::Answer> answer;
        const auto done = [&](const SecretStore::Answer &a) { answer = a; };
        const QString key = u"api.example.net /home/ann/.config/Velto/Velto.conf"_qs;
        if (c.operation == 0)
            store.read(key, &context, done);
        else if (c.operation == 1)
            store.write(key, u"new-token"_qs, &context, done);
        else
            store.remove(key, &context, done);
        ASSERT_TRUE(testsupport::waitUntil([&] { return answer.has_value(); }));
        EXPECT_EQ(answer->outcome, c.outcome) << answer->problem.toStdString();
        EXPECT_EQ(answer->secret, c.secret);
        EXPECT_EQ(fake.stored, c.stored);
        EXPECT_TRUE(fake.members.contains(u"Prompt"_qs)); // every case is locked first
        EXPECT_EQ(fake.members.contains(u"Delete"_qs), c.operation == 2);
        if (!fake.created.isEmpty()) {
            const auto attributes = qdbus_cast<QMap<QString, QString>>(
                fake.created.value(u"org.freedesktop.Secret.Item.Attributes"_qs));
            EXPECT_EQ(attributes.value(u"server"_qs), u"Velto"_qs);
            EXPECT_EQ(attributes.value(u"user"_qs), key);
        }
        bus.unregisterService(u"org.freedesktop.secrets"_qs);
        bus.unregisterObject(u"/org/freedesktop/secrets"_qs, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(name);
    }
}

} // namespace
