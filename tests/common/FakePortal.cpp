#include "FakePortal.h"

#include <QTimer>

namespace {
const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace

FakePortal::FakePortal()
    : m_bus(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fakePortal")))
{
    PortalShortcuts::registerTypes();
    m_running = m_bus.isConnected() && m_bus.registerService(portalName)
        && m_bus.registerObject(portalPath, this,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
}

FakePortal::~FakePortal()
{
    m_bus.unregisterObject(portalPath);
    m_bus.unregisterService(portalName);
    QDBusConnection::disconnectFromBus(QStringLiteral("fakePortal"));
}

QDBusObjectPath FakePortal::respond(
    const QDBusMessage &call, const QVariantMap &options, const QVariantMap &results)
{
    QString sender = call.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request
        = QStringLiteral("%1/request/%2/%3")
              .arg(portalPath, sender, options.value(QStringLiteral("handle_token")).toString());
    // As a desktop does, the answer comes after the call has returned.
    QTimer::singleShot(0, this, [this, request, results] {
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << uint(0) << results;
        m_bus.send(response);
    });
    return QDBusObjectPath(request);
}

QDBusObjectPath FakePortal::CreateSession(const QVariantMap &options, const QDBusMessage &message)
{
    session = portalPath + QStringLiteral("/session/1/")
        + options.value(QStringLiteral("session_handle_token")).toString();
    return respond(message, options, { { QStringLiteral("session_handle"), session } });
}

PortalShortcutList FakePortal::reported() const
{
    PortalShortcutList list;
    for (const PortalShortcut &shortcut : bound) {
        const QString keys = chosenKeys.value(
            shortcut.id, shortcut.properties.value(QStringLiteral("preferred_trigger")).toString());
        list.append({ shortcut.id,
            { { QStringLiteral("description"),
                  shortcut.properties.value(QStringLiteral("description")) },
                { QStringLiteral("trigger_description"), keys } } });
    }
    return list;
}

QDBusObjectPath FakePortal::BindShortcuts(const QDBusObjectPath &,
    const PortalShortcutList &shortcuts, const QString &, const QVariantMap &options,
    const QDBusMessage &message)
{
    bound = shortcuts;
    return respond(
        message, options, { { QStringLiteral("shortcuts"), QVariant::fromValue(reported()) } });
}

QDBusObjectPath FakePortal::ListShortcuts(
    const QDBusObjectPath &, const QVariantMap &options, const QDBusMessage &message)
{
    return respond(
        message, options, { { QStringLiteral("shortcuts"), QVariant::fromValue(reported()) } });
}

void FakePortal::ConfigureShortcuts(const QDBusObjectPath &, const QString &, const QVariantMap &)
{
    ++configureCalls;
}

void FakePortal::emitSignal(const QString &name, const QList<QVariant> &arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        portalPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), name);
    signal.setArguments(arguments);
    m_bus.send(signal);
}

void FakePortal::activate(const QString &id)
{
    for (const QString &name : { QStringLiteral("Activated"), QStringLiteral("Deactivated") })
        emitSignal(name,
            { QVariant::fromValue(QDBusObjectPath(session)), id, qulonglong(1), QVariantMap() });
}

void FakePortal::changeKeys(const QString &id, const QString &keys)
{
    chosenKeys.insert(id, keys);
    emitSignal(QStringLiteral("ShortcutsChanged"),
        { QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(reported()) });
}
