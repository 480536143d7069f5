#pragma once

#include "desktop/HotKeyGrabber.h"
#include "desktop/PTKeyCombo.h"

#include <QDBusConnection>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>

class QDBusMessage;
class QDBusPendingCall;

// Global hot keys through the desktop portal's GlobalShortcuts interface, for
// Wayland sessions. The portal is asked for its version first; without an
// answer the grabber turns unavailable with one log line. Otherwise one
// session is created and every registered hot key is bound to it as an action
// with its description and the recorded combination as the preferred
// trigger. The desktop decides the keys and reports them; Activated and
// Deactivated arrive as presses and releases.
class PortalHotKeyGrabber : public QObject, public HotKeyGrabber {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface = QStringLiteral(
        "org.freedesktop.portal.GlobalShortcuts");

    explicit PortalHotKeyGrabber(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~PortalHotKeyGrabber() override;

    bool isAvailable() const override { return m_state != State::Missing; }
    QString whyUnavailable() const override;
    quintptr grab(qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID,
        const HotKeyAction &action) override;
    void ungrab(quintptr handle) override;
    void installHandler(std::function<int(const HotKeyEvent &)> handler) override;
    std::optional<bool> isHeldElsewhere(qint32, quint32) override { return std::nullopt; }
    bool desktopChoosesKeys() const override { return true; }
    QString desktopTrigger(quintptr handle) const override;
    bool canConfigureOnDesktop() const override;
    void configureOnDesktop() override;
    void setChangeHandler(std::function<void()> handler) override;

    // True once the session exists and the actions were bound.
    bool isBound() const { return m_state == State::Bound; }

private Q_SLOTS:
    void onResponse(const QDBusMessage &message);
    void onActivated(const QDBusMessage &message);
    void onDeactivated(const QDBusMessage &message);
    void onShortcutsChanged(const QDBusMessage &message);

private:
    enum class State { Asking, Missing, CreatingSession, Binding, Bound };
    struct Entry {
        HotKeyAction action;
        PTKeyCombo combo;
    };
    using ResponseHandler = std::function<void(uint, const QVariantMap &)>;

    // Calls a method that answers through a request object's Response.
    void request(const QString &method, QList<QVariant> arguments, ResponseHandler handler);
    void whenAnswered(
        const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> onReply);
    void becomeMissing(const QString &reason);
    void createSession();
    void bind();
    void scheduleBind();
    void takeTriggers(const QVariant &shortcuts);
    void deliver(const QDBusMessage &message, quint32 kind);
    void changed();

    QDBusConnection m_bus;
    State m_state = State::Asking;
    uint m_version = 0;
    QString m_session;
    QMap<quint32, Entry> m_entries;
    QHash<QString, QString> m_triggers;
    QHash<QString, ResponseHandler> m_pending;
    quint32 m_nextToken = 0;
    bool m_bindScheduled = false;
    std::function<int(const HotKeyEvent &)> m_handler;
    std::function<void()> m_changeHandler;
};
