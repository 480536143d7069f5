#include "desktop/DBusIdleTimeSource.h"

#include "desktop/IdleTimeError.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>

#include <optional>

namespace {

// Choosing the service at start waits for its answer, at most this long.
constexpr int openTimeoutMs = 400;

QDBusMessage question(const DBusIdleTimeSource::Service &service)
{
    return QDBusMessage::createMethodCall(
        service.name, service.path, service.interface, service.method);
}

std::optional<quint64> millisecondsIn(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const quint64 milliseconds = reply.arguments().constFirst().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return milliseconds;
}

} // namespace

struct DBusIdleTimeSource::Answers {
    std::optional<quint64> milliseconds;
    QElapsedTimer age;
    bool asking = false;
};

const DBusIdleTimeSource::Service DBusIdleTimeSource::screenSaver {
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime")
};

const DBusIdleTimeSource::Service DBusIdleTimeSource::gnomeIdleMonitor {
    QStringLiteral("org.gnome.Mutter.IdleMonitor"),
    QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
    QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime")
};

DBusIdleTimeSource::DBusIdleTimeSource(
    const QDBusConnection &bus, const Service &service, quint64 milliseconds)
    : m_bus(bus)
    , m_service(service)
    , m_answers(std::make_shared<Answers>())
{
    m_answers->milliseconds = milliseconds;
    m_answers->age.start();
}

std::unique_ptr<DBusIdleTimeSource> DBusIdleTimeSource::open(const QDBusConnection &bus)
{
    QDBusConnection connection = bus;
    if (!connection.isConnected())
        throw IdleTimeError(QString::fromLatin1(idletimeerrors::connectionError),
            QStringLiteral("No session bus to ask the desktop for the idle time"));
    for (const Service *service : { &screenSaver, &gnomeIdleMonitor })
        if (const std::optional<quint64> milliseconds
            = millisecondsIn(connection.call(question(*service), QDBus::Block, openTimeoutMs)))
            return std::unique_ptr<DBusIdleTimeSource>(
                new DBusIdleTimeSource(bus, *service, *milliseconds));
    throw IdleTimeError(QString::fromLatin1(idletimeerrors::facilityError),
        QStringLiteral("The desktop offers no idle time over D-Bus"));
}

void DBusIdleTimeSource::askAgain()
{
    if (m_answers->asking)
        return;
    m_answers->asking = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(question(m_service), staleAfterMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
        [answers = m_answers](QDBusPendingCallWatcher *call) {
            answers->asking = false;
            answers->milliseconds = millisecondsIn(call->reply());
            answers->age.restart();
            call->deleteLater();
        });
}

IdleValue DBusIdleTimeSource::read()
{
    askAgain();
    const Answers &last = *m_answers;
    if (!last.milliseconds || last.age.elapsed() > staleAfterMs)
        throw IdleTimeError(QString::fromLatin1(idletimeerrors::propertiesError),
            QStringLiteral("The desktop did not answer the idle time query"));
    return qint64(*last.milliseconds) * 1000000;
}
