// The hot-key centre with a stand-in for the desktop: identifiers, what is
// registered, and which events reach a hot key.
#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKey.h"
#include "desktop/PTHotKeyCenter.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

struct FakeDesktop {
    QList<quint32> grabbedIDs;
    QList<quintptr> ungrabbed;
    bool refuse = false;
    std::function<int(const HotKeyEvent &)> handler;
    int handlersInstalled = 0;
};

class FakeGrabber : public HotKeyGrabber {
public:
    explicit FakeGrabber(FakeDesktop *desktop)
        : m_desktop(desktop)
    {
    }
    bool isAvailable() const override { return true; }
    quintptr grab(qint32, quint32, quint32 hotKeyID, const HotKeyAction &) override
    {
        if (m_desktop->refuse)
            return 0;
        m_desktop->grabbedIDs << hotKeyID;
        return 1000 + hotKeyID;
    }
    void ungrab(quintptr handle) override { m_desktop->ungrabbed << handle; }
    void installHandler(std::function<int(const HotKeyEvent &)> handler) override
    {
        m_desktop->handler = std::move(handler);
        ++m_desktop->handlersInstalled;
    }
    std::optional<bool> isHeldElsewhere(qint32, quint32) override { return false; }

private:
    FakeDesktop *m_desktop;
};

struct HotKeyCenterTest : ::testing::Test {
    FakeDesktop desktop;
    PTHotKeyCenter center { std::make_unique<FakeGrabber>(&desktop) };
    QObject target;
    int invoked = 0;

    std::unique_ptr<PTHotKey> hotKey(const PTKeyCombo &combo)
    {
        auto key = std::make_unique<PTHotKey>(QStringLiteral("AppLauncher"), combo);
        key->setTarget(&target);
        key->setAction([this](PTHotKey *) { ++invoked; });
        return key;
    }
    int send(quint32 kind, quint32 id)
    {
        HotKeyEvent event;
        event.kind = kind;
        event.hotKeyID = id;
        return center.sendCarbonEvent(event);
    }
};

TEST_F(HotKeyCenterTest, IdentifiersOnlyGrowAndAKeyWithoutModifiersIsNotGrabbed)
{
    auto keyAlone = hotKey({ 4, 0 });
    EXPECT_TRUE(center.registerHotKey(keyAlone.get()));
    EXPECT_EQ(keyAlone->carbonHotKeyID(), 0u);
    auto first = hotKey({ 4, carbon::control });
    ASSERT_TRUE(center.registerHotKey(first.get()));
    EXPECT_EQ(first->carbonHotKeyID(), 1u);
    EXPECT_EQ(first->carbonEventHotKeyRef(), 1001u);
    // Registering again drops the old registration first.
    ASSERT_TRUE(center.registerHotKey(first.get()));
    EXPECT_EQ(first->carbonHotKeyID(), 2u);
    EXPECT_EQ(desktop.ungrabbed, QList<quintptr>({ 1001 }));
    auto second = hotKey({ 5, carbon::option });
    ASSERT_TRUE(center.registerHotKey(second.get()));
    EXPECT_EQ(second->carbonHotKeyID(), 3u);
    EXPECT_EQ(desktop.grabbedIDs, QList<quint32>({ 1, 2, 3 }));
    EXPECT_EQ(desktop.handlersInstalled, 1);

    // A refused registration still uses up its identifier.
    desktop.refuse = true;
    auto third = hotKey({ 6, carbon::shift });
    EXPECT_FALSE(center.registerHotKey(third.get()));
    EXPECT_EQ(third->carbonHotKeyID(), 0u);
    desktop.refuse = false;
    ASSERT_TRUE(center.registerHotKey(third.get()));
    EXPECT_EQ(third->carbonHotKeyID(), 5u);
}

TEST_F(HotKeyCenterTest, PressesInvokeReleasesDoNotAndUnregisteredKeysAreSilent)
{
    auto key = hotKey({ 4, carbon::control });
    ASSERT_TRUE(center.registerHotKey(key.get()));
    const quint32 id = key->carbonHotKeyID();
    EXPECT_EQ(send(HotKeyEvent::pressedKind, id), PTHotKeyCenter::noErr);
    EXPECT_EQ(send(HotKeyEvent::releasedKind, id), PTHotKeyCenter::noErr);
    EXPECT_EQ(invoked, 1);

    HotKeyEvent unreadable;
    unreadable.hasHotKeyID = false;
    EXPECT_EQ(center.sendCarbonEvent(unreadable), PTHotKeyCenter::parameterErr);

    center.unregisterHotKey(key.get());
    EXPECT_EQ(key->carbonHotKeyID(), 0u);
    EXPECT_EQ(key->carbonEventHotKeyRef(), 0u);
    EXPECT_EQ(send(HotKeyEvent::pressedKind, id), PTHotKeyCenter::noErr);
    EXPECT_EQ(invoked, 1);
}

TEST_F(HotKeyCenterTest, AHotKeyThatGoesAwayIsNeverCalled)
{
    quint32 id = 0;
    {
        auto key = hotKey({ 4, carbon::control });
        ASSERT_TRUE(center.registerHotKey(key.get()));
        id = key->carbonHotKeyID();
    }
    EXPECT_EQ(send(HotKeyEvent::pressedKind, id), PTHotKeyCenter::noErr);

    // Nor one whose target has gone.
    auto key = hotKey({ 4, carbon::control });
    ASSERT_TRUE(center.registerHotKey(key.get()));
    {
        QObject shortLived;
        key->setTarget(&shortLived);
    }
    send(HotKeyEvent::pressedKind, key->carbonHotKeyID());
    EXPECT_EQ(invoked, 0);
}

} // namespace
