// The program's two hot keys on a Wayland session, where the desktop portal
// binds them and chooses their keys: a fake portal on the test's private
// session bus stands in for the desktop.
#include "FakePortal.h"
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
#include "core/Preferences.h"
#include "desktop/ModifierFlags.h"
#include "views/HotKeyBox.h"
#include "views/PreferencePanel.h"
#include "views/SRRecorderControl.h"

#include <QDBusConnection>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int keyH = 4;
constexpr quint32 ctrlAlt = carbon::control | carbon::option;

struct ProgramOnWayland : ProgramTest {
    // The hot keys are made once per process, on the first program's session.
    void start(bool withPortal)
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        qputenv("XDG_SESSION_TYPE", "wayland");
        if (withPortal) {
            portal = std::make_unique<FakePortal>();
            ASSERT_TRUE(portal->isRunning());
            portal->chosenKeys.insert(u"show-hide"_qs, u"Ctrl+Alt+H"_qs);
        }
        Preferences::standard().setValue(prefs::hotKeyKeyCode, keyH);
        Preferences::standard().setValue(prefs::hotKeyModifiers, ctrlAlt);
        ProgramTest::start();
        if (HasFatalFailure())
            return;
        window()->show();
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        portal.reset();
        qunsetenv("XDG_SESSION_TYPE");
    }
    MainWindow *window() const { return delegate->window(); }
    HotKeyBox *openHotKeys()
    {
        delegate->preferencesWindow().showPreferences();
        return delegate->preferencesWindow().hotKeyBox();
    }

    std::unique_ptr<FakePortal> portal;
};

TEST_F(ProgramOnWayland, TheDesktopsKeysShowAndWorkAsTheRecordedOnesDoOnX11)
{
    start(true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return portal->bound.size() == 2; }));
    EXPECT_EQ(portal->bound.at(0).properties.value(u"preferred_trigger"_qs), u"CTRL+ALT+h"_qs)
        << "the recorded combination is the program's wish";

    HotKeyBox *box = openHotKeys();
    ASSERT_TRUE(box);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return box->desktopKeys(false)->text() == u"Ctrl+Alt+H"_qs; }));
    EXPECT_EQ(box->desktopKeys(true)->text(), u"Not set"_qs);
    EXPECT_FALSE(delegate->preferencesWindow().showHideRecorder()->isVisible());
    portal->changeKeys(u"new-post"_qs, u"Super+N"_qs);
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return box->desktopKeys(true)->text() == u"Super+N"_qs; }));
    box->configureButton()->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal->configureCalls == 1; }));
    delegate->preferencesWindow().panel()->close();

    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    portal->activate(u"show-hide"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isHiddenFromUser(); }))
        << "in front, the hot key hides the window";
    portal->activate(u"show-hide"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window()->isHiddenFromUser(); }))
        << "hidden, it brings the window back";

    window()->hideApplication();
    portal->activate(u"new-post"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return !window()->isHiddenFromUser() && window()->isComposerOpen();
    })) << "the new-post hot key brings Velto forward with the composer";
    EXPECT_EQ(Preferences::standard().value(prefs::hotKeyKeyCode), keyH)
        << "the recorded combination is kept for X11 sessions";
}

TEST_F(ProgramOnWayland, WithoutThePortalThePreferencesSayTheDesktopOffersNoHotKeys)
{
    start(false);
    HotKeyBox *box = openHotKeys();
    ASSERT_TRUE(box);
    EXPECT_TRUE(testsupport::waitUntil([&] { return box->note()->isVisible(); }));
    EXPECT_TRUE(box->note()->text().contains(u"offers no global shortcuts"_qs))
        << box->note()->text().toStdString();
    EXPECT_FALSE(delegate->preferencesWindow().showHideRecorder()->isEnabled());
    EXPECT_FALSE(delegate->preferencesWindow().newPostRecorder()->isEnabled());
}

} // namespace
