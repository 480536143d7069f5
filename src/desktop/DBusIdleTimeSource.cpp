#include "desktop/DBusIdleTimeSource.h"

#include "desktop/IdleTimeError.h"

#include <QDBusMessage>

#include <optional>

namespace {

// The refresh polls once a second from the main thread: a desktop that does
// not answer soon costs at most this much of it.
constexpr int queryTimeoutMs = 400;

std::optional<quint64> ask(QDBusConnection &bus, const DBusIdleTimeSource::Service &service)
{
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(service.name, service.path,
                                            service.interface, service.method),
        QDBus::Block, queryTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const quint64 milliseconds = reply.arguments().constFirst().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return milliseconds;
}

} // namespace

const DBusIdleTimeSource::Service DBusIdleTimeSource::screenSaver {
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime")
};

const DBusIdleTimeSource::Service DBusIdleTimeSource::gnomeIdleMonitor {
    QStringLiteral("org.gnome.Mutter.IdleMonitor"),
    QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
    QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime")
};

DBusIdleTimeSource::DBusIdleTimeSource(const QDBusConnection &bus, const Service &service)
    : m_bus(bus)
    , m_service(service)
{
}

std::unique_ptr<DBusIdleTimeSource> DBusIdleTimeSource::open(const QDBusConnection &bus)
{
    QDBusConnection connection = bus;
    if (!connection.isConnected())
        throw IdleTimeError(QString::fromLatin1(idletimeerrors::connectionError),
            QStringLiteral("No session bus to ask the desktop for the idle time"));
    for (const Service *service : { &screenSaver, &gnomeIdleMonitor })
        if (ask(connection, *service))
            return std::unique_ptr<DBusIdleTimeSource>(new DBusIdleTimeSource(bus, *service));
    throw IdleTimeError(QString::fromLatin1(idletimeerrors::facilityError),
        QStringLiteral("The desktop offers no idle time over D-Bus"));
}

IdleValue DBusIdleTimeSource::read()
{
    const std::optional<quint64> milliseconds = ask(m_bus, m_service);
    if (!milliseconds)
        throw IdleTimeError(QString::fromLatin1(idletimeerrors::propertiesError),
            QStringLiteral("The desktop did not answer the idle time query"));
    return qint64(*milliseconds) * 1000000;
}
