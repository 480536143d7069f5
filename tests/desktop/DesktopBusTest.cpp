// Global hot keys and idle time from a Wayland desktop over D-Bus, against
// fakes of the desktop's services on the test's private session bus.
#include "FakePortal.h"
#include "TestSupport.h"

#include "desktop/DBusIdleTimeSource.h"
#include "desktop/IdleTime.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKey.h"
#include "desktop/PTHotKeyCenter.h"
#include "desktop/PortalHotKeyGrabber.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

namespace {

struct WaylandSession {
    WaylandSession() { qputenv("XDG_SESSION_TYPE", "wayland"); }
    ~WaylandSession() { qunsetenv("XDG_SESSION_TYPE"); }
};

// A hot-key centre on the portal, with hot keys that note their presses.
struct PortalClient {
    PortalHotKeyGrabber *grabber = new PortalHotKeyGrabber;
    PTHotKeyCenter center { std::unique_ptr<HotKeyGrabber>(grabber) };
    QObject target;
    QStringList invoked;

    std::unique_ptr<PTHotKey> hotKey(const QString &id, const PTKeyCombo &combo)
    {
        auto key = std::make_unique<PTHotKey>(QStringLiteral("AppLauncher"), combo);
        key->setDesktopAction({ id, QStringLiteral("Does ") + id });
        key->setTarget(&target);
        key->setAction([this, id](PTHotKey *) { invoked << id; });
        return key;
    }
};

// What the program shows and how presses arrive is checked with the whole
// program; here, what is bound.
TEST(PortalHotKeys, BothActionsAreBoundWithTheirWordsAndOnlyPressesReachThem)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    FakePortal portal;
    ASSERT_TRUE(portal.isRunning());
    PortalClient client;
    auto showHide
        = client.hotKey(QStringLiteral("show-hide"), { 4, carbon::control | carbon::option });
    // Without a recorded combination the action is bound all the same, for
    // the user to give it keys in the desktop's settings.
    auto newPost = client.hotKey(QStringLiteral("new-post"), PTKeyCombo::clearKeyCombo());
    ASSERT_TRUE(client.center.registerHotKey(showHide.get()));
    ASSERT_TRUE(client.center.registerHotKey(newPost.get()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return client.grabber->isBound(); }));

    ASSERT_EQ(portal.bound.size(), 2) << "both in one call";
    EXPECT_EQ(portal.bound.at(0).id, QStringLiteral("show-hide"));
    EXPECT_EQ(portal.bound.at(0).properties.value(QStringLiteral("description")),
        QStringLiteral("Does show-hide"));
    EXPECT_EQ(portal.bound.at(0).properties.value(QStringLiteral("preferred_trigger")),
        QStringLiteral("CTRL+ALT+h"));
    EXPECT_EQ(portal.bound.at(1).id, QStringLiteral("new-post"));
    EXPECT_FALSE(portal.bound.at(1).properties.contains(QStringLiteral("preferred_trigger")));

    portal.activate(QStringLiteral("new-post"));
    portal.activate(QStringLiteral("show-hide"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return client.invoked.size() == 2; }));
    EXPECT_EQ(
        client.invoked, QStringList({ QStringLiteral("new-post"), QStringLiteral("show-hide") }))
        << "each press once, the release does nothing";
}

// The portal's object without the GlobalShortcuts interface.
class PortalWithoutShortcuts : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public Q_SLOTS:
    uint ReadAll() { return 0; }
};

// Without any portal the whole program is checked (ProgramOnWayland).
TEST(PortalHotKeys, APortalWithoutGlobalShortcutsTurnsHotKeysOffAndSaysWhy)
{
    QDBusConnection other
        = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("otherPortal"));
    PortalWithoutShortcuts settings;
    ASSERT_TRUE(other.registerService(PortalHotKeyGrabber::service));
    ASSERT_TRUE(other.registerObject(
        PortalHotKeyGrabber::path, &settings, QDBusConnection::ExportAllSlots));
    PortalClient client;
    EXPECT_TRUE(testsupport::waitUntil([&] { return !client.center.isAvailable(); }));
    EXPECT_TRUE(client.grabber->whyUnavailable().contains(
        QStringLiteral("offers no global shortcuts to programs")));
    auto key = client.hotKey(QStringLiteral("show-hide"), { 4, carbon::control });
    EXPECT_FALSE(client.center.registerHotKey(key.get()))
        << "never a registration that does nothing";
    other.unregisterObject(PortalHotKeyGrabber::path);
    other.unregisterService(PortalHotKeyGrabber::service);
    QDBusConnection::disconnectFromBus(QStringLiteral("otherPortal"));
}

// The desktop's idle services, answering from a thread of their own because
// the service is chosen with a blocking call. The screen saver can fall
// silent: it then never answers.
class FakeScreenSaver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::atomic<uint> milliseconds { 0 };
    std::atomic<bool> silent { false };
public Q_SLOTS:
    uint GetSessionIdleTime()
    {
        if (silent)
            setDelayedReply(true);
        return milliseconds;
    }
};

class FakeIdleMonitor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    std::atomic<qulonglong> milliseconds { 0 };
public Q_SLOTS:
    qulonglong GetIdletime() { return milliseconds; }
};

class IdleServices {
public:
    IdleServices()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("idle")))
    {
        m_thread.start();
        screenSaver.moveToThread(&m_thread);
        idleMonitor.moveToThread(&m_thread);
    }
    ~IdleServices()
    {
        stop(DBusIdleTimeSource::screenSaver);
        stop(DBusIdleTimeSource::gnomeIdleMonitor);
        QDBusConnection::disconnectFromBus(QStringLiteral("idle"));
        m_thread.quit();
        m_thread.wait();
    }
    bool offer(const DBusIdleTimeSource::Service &service, QObject *object)
    {
        return m_bus.registerService(service.name)
            && m_bus.registerObject(service.path, object, QDBusConnection::ExportAllSlots);
    }
    void stop(const DBusIdleTimeSource::Service &service)
    {
        m_bus.unregisterObject(service.path);
        m_bus.unregisterService(service.name);
    }

    FakeScreenSaver screenSaver;
    FakeIdleMonitor idleMonitor;

private:
    QDBusConnection m_bus;
    QThread m_thread;
};

TEST(WaylandIdleTime, TheDesktopsIdleServiceIsAskedWithoutWaitingAndNoneTurnsTheIdleRefreshOff)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    WaylandSession wayland;
    struct Case {
        const char *what;
        bool screenSaver;
        bool idleMonitor;
        std::optional<quint64> nanoseconds;
    };
    const Case cases[] = {
        { "the screen saver service", true, true, 4000ull * 1000000 },
        { "the GNOME idle monitor", false, true, 7000ull * 1000000 },
        { "neither", false, false, std::nullopt },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IdleServices services;
        services.screenSaver.milliseconds = 4000;
        services.idleMonitor.milliseconds = 7000;
        if (c.screenSaver) {
            ASSERT_TRUE(services.offer(DBusIdleTimeSource::screenSaver, &services.screenSaver));
        }
        if (c.idleMonitor) {
            ASSERT_TRUE(
                services.offer(DBusIdleTimeSource::gnomeIdleMonitor, &services.idleMonitor));
        }
        std::unique_ptr<IdleTime> idle = IdleTime::createForDesktop();
        ASSERT_EQ(idle != nullptr, c.nanoseconds.has_value());
        if (!idle)
            continue;
        EXPECT_EQ(idle->timeIdle(), *c.nanoseconds);
        if (c.screenSaver) {
            // A service that falls silent costs the window no wait.
            const std::optional<quint64> answered = idle->secondsIdleIfKnown();
            ASSERT_TRUE(answered);
            services.screenSaver.silent = true;
            QElapsedTimer clock;
            clock.start();
            for (int poll = 0; poll < 5; ++poll)
                EXPECT_EQ(idle->secondsIdleIfKnown(), answered);
            EXPECT_LT(clock.elapsed(), 300);
        } else {
            // One that goes away is a failed query, not a crash.
            services.stop(DBusIdleTimeSource::gnomeIdleMonitor);
        }
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return !idle->secondsIdleIfKnown(); }, std::chrono::seconds(10)));
    }
}

} // namespace

#include "DesktopBusTest.moc"
