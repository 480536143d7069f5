#include "desktop/PortalHotKeyGrabber.h"

#include "desktop/PortalShortcuts.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QSet>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcPortal, "velto.hotkeys")

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

QString pathOf(const QVariant &value)
{
    return value.userType() == qMetaTypeId<QDBusObjectPath>()
        ? value.value<QDBusObjectPath>().path()
        : value.toString();
}

QVariantMap mapOf(const QVariant &value)
{
    return qdbus_cast<QVariantMap>(value);
}

} // namespace

PortalHotKeyGrabber::PortalHotKeyGrabber(const QDBusConnection &bus)
    : m_bus(bus)
{
    PortalShortcuts::registerTypes();
    if (!m_bus.isConnected()) {
        becomeMissing(QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    whenAnswered(m_bus.asyncCall(get), [this](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            becomeMissing(reply.errorMessage());
            return;
        }
        m_version = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
        for (const char *signal : { "Activated", "Deactivated", "ShortcutsChanged" }) {
            const QByteArray slot = QByteArray("1on") + signal + "(QDBusMessage)";
            m_bus.connect(
                service, path, interface, QString::fromLatin1(signal), this, slot.constData());
        }
        createSession();
    });
}

PortalHotKeyGrabber::~PortalHotKeyGrabber()
{
    if (!m_session.isEmpty())
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            service, m_session, sessionInterface, QStringLiteral("Close")));
}

void PortalHotKeyGrabber::whenAnswered(
    const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> onReply)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [onReply = std::move(onReply)](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            onReply(finished->reply());
        });
}

void PortalHotKeyGrabber::becomeMissing(const QString &reason)
{
    m_state = State::Missing;
    qCInfo(lcPortal).noquote() << QStringLiteral("global hot keys: this desktop offers no global "
                                                 "shortcuts to programs; hot keys are off (%1)")
                                      .arg(reason);
    changed();
}

QString PortalHotKeyGrabber::whyUnavailable() const
{
    if (m_state != State::Missing)
        return {};
    return QStringLiteral("This desktop offers no global shortcuts to programs, so Velto "
                          "cannot have hot keys here.");
}

void PortalHotKeyGrabber::request(
    const QString &method, QList<QVariant> arguments, ResponseHandler handler)
{
    const QString token = QStringLiteral("velto%1").arg(++m_nextToken);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString handle = QStringLiteral("%1/request/%2/%3").arg(path, sender, token);
    // Listening before asking: the answer may come before the call returns.
    m_bus.connect(service, handle, requestInterface, QStringLiteral("Response"), this,
        SLOT(onResponse(QDBusMessage)));
    m_pending.insert(handle, std::move(handler));

    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    whenAnswered(m_bus.asyncCall(call), [this, handle, method](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            m_bus.disconnect(service, handle, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(QDBusMessage)));
            const ResponseHandler failed = m_pending.take(handle);
            qCInfo(lcPortal).noquote()
                << "global hot keys:" << method << "failed:" << reply.errorMessage();
            if (failed)
                failed(2, {});
            return;
        }
        // An older portal may name the request differently.
        const QString actual
            = reply.arguments().isEmpty() ? handle : pathOf(reply.arguments().first());
        if (actual != handle && m_pending.contains(handle)) {
            m_bus.disconnect(service, handle, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(QDBusMessage)));
            m_bus.connect(service, actual, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(QDBusMessage)));
            m_pending.insert(actual, m_pending.take(handle));
        }
    });
}

void PortalHotKeyGrabber::onResponse(const QDBusMessage &message)
{
    const ResponseHandler handler = m_pending.take(message.path());
    m_bus.disconnect(service, message.path(), requestInterface, QStringLiteral("Response"), this,
        SLOT(onResponse(QDBusMessage)));
    const QList<QVariant> arguments = message.arguments();
    if (handler && arguments.size() >= 2)
        handler(arguments.at(0).toUInt(), mapOf(arguments.at(1)));
}

void PortalHotKeyGrabber::createSession()
{
    m_state = State::CreatingSession;
    request(QStringLiteral("CreateSession"),
        { QVariantMap { { QStringLiteral("session_handle_token"), QStringLiteral("velto") } } },
        [this](uint response, const QVariantMap &results) {
            m_session = pathOf(results.value(QStringLiteral("session_handle")));
            if (response != 0 || m_session.isEmpty()) {
                becomeMissing(QStringLiteral("the desktop did not open a shortcut session"));
                return;
            }
            m_state = State::Binding;
            bind();
        });
}

void PortalHotKeyGrabber::scheduleBind()
{
    // Both hot keys are registered one after the other; they are bound in one call.
    if (m_bindScheduled)
        return;
    m_bindScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bindScheduled = false;
        bind();
    });
}

void PortalHotKeyGrabber::bind()
{
    if (m_session.isEmpty() || m_entries.isEmpty() || m_state == State::Missing)
        return;
    PortalShortcutList shortcuts;
    QSet<QString> named;
    for (const Entry &entry : std::as_const(m_entries)) {
        if (named.contains(entry.action.id))
            continue;
        named.insert(entry.action.id);
        QVariantMap properties { { QStringLiteral("description"), entry.action.description } };
        const QString preferred = PortalShortcuts::trigger(entry.combo);
        if (!preferred.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), preferred);
        shortcuts.append({ entry.action.id, properties });
    }
    request(QStringLiteral("BindShortcuts"),
        { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
            QString(), QVariantMap() },
        [this](uint response, const QVariantMap &results) {
            m_state = State::Bound;
            if (response != 0) {
                qCInfo(lcPortal) << "global hot keys: the desktop did not bind them, answer"
                                 << response;
                changed();
                return;
            }
            if (results.contains(QStringLiteral("shortcuts"))) {
                takeTriggers(results.value(QStringLiteral("shortcuts")));
                return;
            }
            request(QStringLiteral("ListShortcuts"),
                { QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap() },
                [this](uint, const QVariantMap &listed) {
                    takeTriggers(listed.value(QStringLiteral("shortcuts")));
                });
        });
}

void PortalHotKeyGrabber::takeTriggers(const QVariant &shortcuts)
{
    m_triggers.clear();
    for (const PortalShortcut &shortcut : PortalShortcuts::fromVariant(shortcuts))
        m_triggers.insert(shortcut.id,
            shortcut.properties.value(QStringLiteral("trigger_description")).toString());
    changed();
}

void PortalHotKeyGrabber::changed()
{
    if (m_changeHandler)
        m_changeHandler();
}

quintptr PortalHotKeyGrabber::grab(
    qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID, const HotKeyAction &action)
{
    if (m_state == State::Missing || hotKeyID == 0)
        return 0;
    HotKeyAction named = action;
    if (named.id.isEmpty())
        named.id = QStringLiteral("hotkey%1").arg(hotKeyID);
    m_entries.insert(hotKeyID, { named, PTKeyCombo(keyCode, carbonModifiers) });
    scheduleBind();
    return hotKeyID;
}

void PortalHotKeyGrabber::ungrab(quintptr handle)
{
    // The portal has no unbinding: an action no hot key holds is ignored.
    m_entries.remove(quint32(handle));
}

void PortalHotKeyGrabber::installHandler(std::function<int(const HotKeyEvent &)> handler)
{
    m_handler = std::move(handler);
}

QString PortalHotKeyGrabber::desktopTrigger(quintptr handle) const
{
    const auto it = m_entries.find(quint32(handle));
    return it == m_entries.end() ? QString() : m_triggers.value(it->action.id);
}

bool PortalHotKeyGrabber::canConfigureOnDesktop() const
{
    // ConfigureShortcuts came with the interface's second version.
    return m_version >= 2 && !m_session.isEmpty() && m_state != State::Missing;
}

void PortalHotKeyGrabber::configureOnDesktop()
{
    if (!canConfigureOnDesktop())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, interface, QStringLiteral("ConfigureShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString() << QVariantMap();
    whenAnswered(m_bus.asyncCall(call), [](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage)
            qCInfo(lcPortal).noquote()
                << "global hot keys: the desktop's settings did not open:" << reply.errorMessage();
    });
}

void PortalHotKeyGrabber::setChangeHandler(std::function<void()> handler)
{
    m_changeHandler = std::move(handler);
}

void PortalHotKeyGrabber::deliver(const QDBusMessage &message, quint32 kind)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || pathOf(arguments.at(0)) != m_session)
        return;
    const QString id = arguments.at(1).toString();
    // The action may register hot keys anew, which changes the table.
    QList<quint32> ids;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it->action.id == id)
            ids.append(it.key());
    for (quint32 hotKeyID : ids) {
        if (!m_handler)
            break;
        HotKeyEvent event;
        event.kind = kind;
        event.hotKeyID = hotKeyID;
        m_handler(event);
    }
}

void PortalHotKeyGrabber::onActivated(const QDBusMessage &message)
{
    deliver(message, HotKeyEvent::pressedKind);
}

void PortalHotKeyGrabber::onDeactivated(const QDBusMessage &message)
{
    deliver(message, HotKeyEvent::releasedKind);
}

void PortalHotKeyGrabber::onShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && pathOf(arguments.at(0)) == m_session)
        takeTriggers(arguments.at(1));
}
