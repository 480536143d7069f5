#include "platform/SecretService.h"

#include "platform/SecretValue.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QPointer>
#include <QTimer>

#include <memory>

using Attributes = QMap<QString, QString>;

namespace {

const QString serviceName = QStringLiteral("org.freedesktop.secrets");
const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString collectionInterface = QStringLiteral("org.freedesktop.Secret.Collection");
const QString itemInterface = QStringLiteral("org.freedesktop.Secret.Item");
const QString promptInterface = QStringLiteral("org.freedesktop.Secret.Prompt");
const QString sessionInterface = QStringLiteral("org.freedesktop.Secret.Session");
const QString noPrompt = QStringLiteral("/");
// The entry's attributes: "server" names the program, "user" the key, as
// entries written by earlier versions have them.
const QString programAttribute = QStringLiteral("server");
const QString keyAttribute = QStringLiteral("user");
const QString programName = QStringLiteral("Velto");
constexpr std::chrono::seconds promptTimeout { 60 };

void registerTypes()
{
    static const bool registered = [] {
        registerSecretValueTypes();
        qDBusRegisterMetaType<Attributes>();
        return true;
    }();
    Q_UNUSED(registered);
}

QList<QDBusObjectPath> paths(const QVariant &value)
{
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

using Outcome = SecretStore::Outcome;
using Answer = SecretStore::Answer;

// One read, write or removal: a chain of asynchronous calls on the bus,
// answering once and deleting itself at the end.
class Operation : public QObject {
    Q_OBJECT
public:
    enum class Kind { Read, Write, Remove };

    Operation(QDBusConnection bus, Kind kind, QString key, QString secret,
        std::shared_ptr<bool> silent, std::function<void(const Answer &)> done)
        : m_bus(std::move(bus))
        , m_kind(kind)
        , m_key(std::move(key))
        , m_secret(std::move(secret))
        , m_silent(std::move(silent))
        , m_done(std::move(done))
    {
        // The limit is on the keyring, not on the user: it stops while a
        // prompt waits for a password and starts again once it is answered.
        m_limit.setSingleShot(true);
        m_limit.setTimerType(Qt::PreciseTimer);
        m_limit.setInterval(SecretStore::answerTimeout);
        connect(&m_limit, &QTimer::timeout, this, [this] {
            *m_silent = true;
            finish({ Outcome::NoKeyring, {},
                QStringLiteral("the keyring did not answer within %1 s")
                    .arg(SecretStore::answerTimeout.count()) });
        });
        m_limit.start();
        // A prompt nobody answers (one that cannot show, or is left open) is
        // dismissed after a while: the window must not wait for it forever.
        m_promptLimit.setSingleShot(true);
        m_promptLimit.setInterval(promptTimeout);
        connect(&m_promptLimit, &QTimer::timeout, this, [this] {
            m_bus.call(objectMessage(QDBusObjectPath(m_promptPath), promptInterface,
                           QStringLiteral("Dismiss")),
                QDBus::NoBlock);
            finish({ Outcome::NoKeyring, {},
                QStringLiteral("the keyring's prompt was not answered within %1 s")
                    .arg(promptTimeout.count()) });
        });
    }

    void start()
    {
        // The plain session: the secret crosses the local bus unencrypted,
        // as it does between the keyring and every other program.
        call(serviceMessage(QStringLiteral("OpenSession"))
                << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString())),
            [this](const QDBusMessage &reply) {
                m_session = qdbus_cast<QDBusObjectPath>(reply.arguments().value(1));
                // A path that is not one could not even be sent back with a secret.
                if (m_session.path().isEmpty())
                    finish({ Outcome::NoKeyring, {},
                        QStringLiteral("the keyring opened no session") });
                else
                    search();
            });
    }

public Q_SLOTS:
    void promptCompleted(bool dismissed, const QDBusVariant &result)
    {
        if (!m_afterPrompt)
            return;
        auto next = std::exchange(m_afterPrompt, {});
        m_promptLimit.stop();
        m_limit.start();
        if (dismissed)
            finish({ Outcome::NoKeyring, {}, QStringLiteral("the keyring stayed locked") });
        else
            next(result.variant());
    }

private:
    QDBusMessage serviceMessage(const QString &method) const
    {
        return QDBusMessage::createMethodCall(serviceName, servicePath, serviceInterface, method);
    }
    QDBusMessage objectMessage(
        const QDBusObjectPath &path, const QString &interface, const QString &method) const
    {
        return QDBusMessage::createMethodCall(serviceName, path.path(), interface, method);
    }

    void call(const QDBusMessage &message, std::function<void(const QDBusMessage &)> next)
    {
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, next = std::move(next)] {
                watcher->deleteLater();
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ErrorMessage)
                    finish({ Outcome::NoKeyring, {}, reply.errorMessage() });
                else
                    next(reply);
            });
    }

    // Asks the user where the keyring wants to (to unlock, say); `next` gets
    // the prompt's result unless the user dismissed it.
    void prompt(const QString &path, std::function<void(const QVariant &)> next)
    {
        m_afterPrompt = std::move(next);
        m_limit.stop();
        m_promptPath = path;
        m_promptLimit.start();
        m_bus.connect(serviceName, path, promptInterface, QStringLiteral("Completed"), this,
            SLOT(promptCompleted(bool, QDBusVariant)));
        call(objectMessage(QDBusObjectPath(path), promptInterface, QStringLiteral("Prompt"))
                << QString(),
            [](const QDBusMessage &) {});
    }

    void search()
    {
        const Attributes attributes { { programAttribute, programName }, { keyAttribute, m_key } };
        call(serviceMessage(QStringLiteral("SearchItems")) << QVariant::fromValue(attributes),
            [this](const QDBusMessage &reply) {
                const QList<QDBusObjectPath> unlocked = paths(reply.arguments().value(0));
                const QList<QDBusObjectPath> locked = paths(reply.arguments().value(1));
                if (unlocked.isEmpty() && locked.isEmpty()) {
                    if (m_kind == Kind::Write)
                        create();
                    else
                        finish({ Outcome::NotFound, {}, {} });
                    return;
                }
                if (!unlocked.isEmpty())
                    act(unlocked);
                else
                    unlock(locked, [this](const QList<QDBusObjectPath> &items) { act(items); });
            });
    }

    void unlock(const QList<QDBusObjectPath> &objects,
        std::function<void(const QList<QDBusObjectPath> &)> next)
    {
        call(serviceMessage(QStringLiteral("Unlock")) << QVariant::fromValue(objects),
            [this, next](const QDBusMessage &reply) {
                const QString promptPath
                    = qdbus_cast<QDBusObjectPath>(reply.arguments().value(1)).path();
                if (promptPath.isEmpty() || promptPath == noPrompt)
                    next(paths(reply.arguments().value(0)));
                else
                    prompt(promptPath, [next](const QVariant &result) { next(paths(result)); });
            });
    }

    void act(const QList<QDBusObjectPath> &items)
    {
        if (items.isEmpty()) {
            finish({ Outcome::NoKeyring, {}, QStringLiteral("the keyring stayed locked") });
            return;
        }
        switch (m_kind) {
        case Kind::Read:
            call(serviceMessage(QStringLiteral("GetSecrets"))
                    << QVariant::fromValue(items) << QVariant::fromValue(m_session),
                [this, first = items.first()](const QDBusMessage &reply) {
                    const auto secrets = qdbus_cast<SecretsByItem>(reply.arguments().value(0));
                    if (secrets.isEmpty()) {
                        finish({ Outcome::NotFound, {}, {} });
                        return;
                    }
                    const auto found = secrets.constFind(first);
                    const SecretValue value
                        = found != secrets.cend() ? *found : secrets.value(secrets.firstKey());
                    finish({ Outcome::Done, QString::fromUtf8(value.value), {} });
                });
            return;
        case Kind::Write:
            // The entry keeps its place and attributes; only the secret changes.
            call(objectMessage(items.first(), itemInterface, QStringLiteral("SetSecret"))
                    << QVariant::fromValue(secretValue()),
                [this](const QDBusMessage &) {
                    finish({ Outcome::Done, {}, {} });
                });
            return;
        case Kind::Remove:
            removeEach(items);
            return;
        }
    }

    void removeEach(QList<QDBusObjectPath> items)
    {
        if (items.isEmpty()) {
            finish({ Outcome::Done, {}, {} });
            return;
        }
        const QDBusObjectPath item = items.takeFirst();
        call(objectMessage(item, itemInterface, QStringLiteral("Delete")),
            [this, items](const QDBusMessage &reply) {
                const QString promptPath
                    = qdbus_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
                if (promptPath.isEmpty() || promptPath == noPrompt)
                    removeEach(items);
                else
                    prompt(promptPath, [this, items](const QVariant &) { removeEach(items); });
            });
    }

    void create()
    {
        call(serviceMessage(QStringLiteral("ReadAlias")) << QStringLiteral("default"),
            [this](const QDBusMessage &reply) {
                const auto collection = qdbus_cast<QDBusObjectPath>(reply.arguments().value(0));
                if (collection.path().isEmpty() || collection.path() == noPrompt) {
                    finish({ Outcome::NoKeyring, {},
                        QStringLiteral("the keyring has no default collection") });
                    return;
                }
                unlock({ collection }, [this, collection](const QList<QDBusObjectPath> &open) {
                    if (open.isEmpty())
                        finish({ Outcome::NoKeyring, {},
                            QStringLiteral("the keyring stayed locked") });
                    else
                        createIn(collection);
                });
            });
    }

    void createIn(const QDBusObjectPath &collection)
    {
        const Attributes attributes { { programAttribute, programName }, { keyAttribute, m_key } };
        QVariantMap properties;
        properties.insert(QStringLiteral("org.freedesktop.Secret.Item.Label"),
            QString(programName + QStringLiteral(": ") + m_key));
        properties.insert(QStringLiteral("org.freedesktop.Secret.Item.Attributes"),
            QVariant::fromValue(attributes));
        call(objectMessage(collection, collectionInterface, QStringLiteral("CreateItem"))
                << properties << QVariant::fromValue(secretValue()) << true,
            [this](const QDBusMessage &reply) {
                const QString promptPath
                    = qdbus_cast<QDBusObjectPath>(reply.arguments().value(1)).path();
                if (promptPath.isEmpty() || promptPath == noPrompt)
                    finish({ Outcome::Done, {}, {} });
                else
                    prompt(promptPath, [this](const QVariant &) {
                        finish({ Outcome::Done, {}, {} });
                    });
            });
    }

    SecretValue secretValue() const
    {
        return { m_session, {}, m_secret.toUtf8(), QStringLiteral("text/plain; charset=utf8") };
    }

    void finish(const Answer &answer)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_limit.stop();
        m_promptLimit.stop();
        if (!m_session.path().isEmpty() && m_session.path() != noPrompt)
            m_bus.call(objectMessage(m_session, sessionInterface, QStringLiteral("Close")),
                QDBus::NoBlock);
        m_done(answer);
        deleteLater();
    }

    QDBusConnection m_bus;
    Kind m_kind;
    QString m_key;
    QString m_secret;
    std::shared_ptr<bool> m_silent;
    std::function<void(const Answer &)> m_done;
    QTimer m_limit;
    QTimer m_promptLimit;
    QString m_promptPath;
    QDBusObjectPath m_session;
    std::function<void(const QVariant &)> m_afterPrompt;
    bool m_finished = false;
};

} // namespace

SecretService::SecretService(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    registerTypes();
}

void SecretService::read(const QString &key, QObject *context, Callback done)
{
    run(int(Operation::Kind::Read), key, {}, context, std::move(done));
}

void SecretService::write(
    const QString &key, const QString &secret, QObject *context, Callback done)
{
    run(int(Operation::Kind::Write), key, secret, context, std::move(done));
}

void SecretService::remove(const QString &key, QObject *context, Callback done)
{
    run(int(Operation::Kind::Remove), key, {}, context, std::move(done));
}

void SecretService::run(
    int kind, const QString &key, const QString &secret, QObject *context, Callback done)
{
    if (*m_silent || !m_bus.isConnected()) {
        const QString problem = *m_silent
            ? QStringLiteral("the keyring did not answer earlier")
            : QStringLiteral("no session bus: ") + m_bus.lastError().message();
        QTimer::singleShot(0, context, [done, problem] {
            done({ Outcome::NoKeyring, {}, problem });
        });
        return;
    }
    auto answer = [context = QPointer<QObject>(context), done](const Answer &a) {
        if (context)
            done(a);
    };
    auto *operation
        = new Operation(m_bus, Operation::Kind(kind), key, secret, m_silent, std::move(answer));
    operation->start();
}

#include "SecretService.moc"
