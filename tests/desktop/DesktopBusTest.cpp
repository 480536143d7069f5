// Global hot keys from a Wayland desktop through its portal, against a fake
// of the portal on the test's private session bus.
#include "FakePortal.h"
#include "TestSupport.h"

#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKey.h"
#include "desktop/PTHotKeyCenter.h"
#include "desktop/PortalHotKeyGrabber.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace {

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

TEST(PortalHotKeys, BothActionsAreBoundAndTheDesktopsKeysReachThem)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    FakePortal portal;
    ASSERT_TRUE(portal.isRunning());
    portal.chosenKeys.insert(QStringLiteral("show-hide"), QStringLiteral("Ctrl+Alt+H"));
    PortalClient fixture;
    PTHotKeyCenter &center = fixture.center;
    int changes = 0;
    fixture.grabber->setChangeHandler([&changes] { ++changes; });

    auto showHide
        = fixture.hotKey(QStringLiteral("show-hide"), { 4, carbon::control | carbon::option });
    // Without a recorded combination the action is bound all the same, for
    // the user to give it keys in the desktop's settings.
    auto newPost = fixture.hotKey(QStringLiteral("new-post"), PTKeyCombo::clearKeyCombo());
    ASSERT_TRUE(center.registerHotKey(showHide.get()));
    ASSERT_TRUE(center.registerHotKey(newPost.get()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return fixture.grabber->isBound() && changes > 0; }));

    ASSERT_EQ(portal.bound.size(), 2);
    EXPECT_EQ(portal.bound.at(0).id, QStringLiteral("show-hide"));
    EXPECT_EQ(portal.bound.at(0).properties.value(QStringLiteral("description")),
        QStringLiteral("Does show-hide"));
    EXPECT_EQ(portal.bound.at(0).properties.value(QStringLiteral("preferred_trigger")),
        QStringLiteral("CTRL+ALT+h"));
    EXPECT_EQ(portal.bound.at(1).id, QStringLiteral("new-post"));
    EXPECT_FALSE(portal.bound.at(1).properties.contains(QStringLiteral("preferred_trigger")));
    EXPECT_EQ(fixture.grabber->desktopTrigger(showHide->carbonEventHotKeyRef()),
        QStringLiteral("Ctrl+Alt+H"));
    EXPECT_TRUE(fixture.grabber->canConfigureOnDesktop());

    portal.activate(QStringLiteral("new-post"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !fixture.invoked.isEmpty(); }));
    portal.activate(QStringLiteral("show-hide"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return fixture.invoked.size() == 2; }));
    EXPECT_EQ(
        fixture.invoked, QStringList({ QStringLiteral("new-post"), QStringLiteral("show-hide") }))
        << "each press once, the release does nothing";

    const int before = changes;
    portal.changeKeys(QStringLiteral("new-post"), QStringLiteral("Super+N"));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return fixture.grabber->desktopTrigger(newPost->carbonEventHotKeyRef())
            == QStringLiteral("Super+N");
    }));
    EXPECT_GT(changes, before);

    fixture.grabber->configureOnDesktop();
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal.configureCalls == 1; }));
}

// The portal's object without the GlobalShortcuts interface.
class PortalWithoutShortcuts : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public Q_SLOTS:
    uint ReadAll() { return 0; }
};

TEST(PortalHotKeys, WithoutThePortalOrItsInterfaceHotKeysAreOffAndSayWhy)
{
    for (const bool portalRuns : { false, true }) {
        SCOPED_TRACE(portalRuns ? "a portal without global shortcuts" : "no portal");
        QDBusConnection other = QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QStringLiteral("otherPortal"));
        PortalWithoutShortcuts settings;
        if (portalRuns) {
            ASSERT_TRUE(other.registerService(PortalHotKeyGrabber::service));
            ASSERT_TRUE(other.registerObject(
                PortalHotKeyGrabber::path, &settings, QDBusConnection::ExportAllSlots));
        }
        PortalClient fixture;
        EXPECT_TRUE(testsupport::waitUntil([&] { return !fixture.center.isAvailable(); }));
        EXPECT_TRUE(fixture.grabber->whyUnavailable().contains(
            QStringLiteral("offers no global shortcuts to programs")));
        auto key = fixture.hotKey(QStringLiteral("show-hide"), { 4, carbon::control });
        EXPECT_FALSE(fixture.center.registerHotKey(key.get()))
            << "never a registration that does nothing";
        other.unregisterObject(PortalHotKeyGrabber::path);
        other.unregisterService(PortalHotKeyGrabber::service);
        QDBusConnection::disconnectFromBus(QStringLiteral("otherPortal"));
    }
}

} // namespace

#include "DesktopBusTest.moc"
