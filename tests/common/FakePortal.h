#pragma once

#include "desktop/PortalShortcuts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>

// The desktop portal's GlobalShortcuts interface as a desktop would offer it,
// on the test's private session bus over a connection of its own. It answers
// every request at once with success, reports for each bound action the keys
// set in `chosenKeys` (else its preferred trigger), and lets the test press
// and change shortcuts.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    FakePortal();
    ~FakePortal() override;
    bool isRunning() const { return m_running; }
    uint version() const { return 2; }

    QHash<QString, QString> chosenKeys;
    QString session;
    PortalShortcutList bound; // the last BindShortcuts
    int configureCalls = 0;

    void activate(const QString &id);
    void changeKeys(const QString &id, const QString &keys);

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session,
        const PortalShortcutList &shortcuts, const QString &parentWindow,
        const QVariantMap &options, const QDBusMessage &message);
    QDBusObjectPath ListShortcuts(
        const QDBusObjectPath &session, const QVariantMap &options, const QDBusMessage &message);
    void ConfigureShortcuts(
        const QDBusObjectPath &session, const QString &parentWindow, const QVariantMap &options);

private:
    QDBusObjectPath respond(
        const QDBusMessage &call, const QVariantMap &options, const QVariantMap &results);
    PortalShortcutList reported() const;
    void emitSignal(const QString &name, const QList<QVariant> &arguments);

    QDBusConnection m_bus;
    bool m_running = false;
};
