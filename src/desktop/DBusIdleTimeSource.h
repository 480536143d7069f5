#pragma once

#include "desktop/IdleTimeSource.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

// The idle time from the desktop over D-Bus, for Wayland sessions: the
// ScreenSaver service's GetSessionIdleTime where the desktop offers it (it
// counts milliseconds, whatever older texts say), else the GNOME idle
// monitor's GetIdletime (milliseconds too). read() answers nanoseconds.
//
// The refresh reads once a second from the window's thread, and a desktop
// service can stop answering while it runs; so read() never waits. It asks
// again in the background and answers the service's last answer, a poll old
// while the service keeps up, at most `staleAfterMs`; a failed question, or
// none answered for that long, is a failed read.
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

    static constexpr int staleAfterMs = 5000;

    IdleValue read() override;

private:
    struct Answers;

    DBusIdleTimeSource(const QDBusConnection &bus, const Service &service, quint64 milliseconds);
    void askAgain();

    QDBusConnection m_bus;
    Service m_service;
    // Shared with the question on its way, which may outlive this source.
    std::shared_ptr<Answers> m_answers;
};
