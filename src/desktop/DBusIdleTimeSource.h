#pragma once

#include "desktop/IdleTimeSource.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

// The idle time from the desktop over D-Bus, for Wayland sessions: the
// ScreenSaver service's GetSessionIdleTime where the desktop offers it (it
// counts milliseconds, whatever older texts say), else the GNOME idle
// monitor's GetIdletime (milliseconds too). read() answers nanoseconds.
class DBusIdleTimeSource : public IdleTimeSource {
public:
    struct Service {
        QString name;
        QString path;
        QString interface;
        QString method;
    };
    static const Service screenSaver;
    static const Service gnomeIdleMonitor;

    // The first of the two services that answers now. Throws IdleTimeError
    // when neither does.
    static std::unique_ptr<DBusIdleTimeSource> open(
        const QDBusConnection &bus = QDBusConnection::sessionBus());

    IdleValue read() override;

private:
    DBusIdleTimeSource(const QDBusConnection &bus, const Service &service);

    QDBusConnection m_bus;
    Service m_service;
};
