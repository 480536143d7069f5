// The program's two hot keys on a Wayland session, where the desktop portal
// binds them and chooses their keys: a fake portal on the test's private
// session bus stands in for the desktop.
#include "FakePortal.h"
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

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
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int keyH = 4;
constexpr quint32 ctrlAlt = carbon::control | carbon::option;

struct ProgramOnWayland : ::testing::Test {
    // The hot keys are made once per process, on the first program's session.
    void start(bool withPortal)
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        qputenv("XDG_SESSION_TYPE", "wayland");
        testsupport::pointXdgFoldersAt(profile.path());
        if (withPortal) {
            portal = std::make_unique<FakePortal>();
            ASSERT_TRUE(portal->isRunning());
            portal->chosenKeys.insert(QStringLiteral("show-hide"), QStringLiteral("Ctrl+Alt+H"));
        }
        ASSERT_TRUE(sandbox.start());
        testsupport::prepareSignedInProfile(sandbox);
        Preferences::standard().setValue(prefs::hotKeyKeyCode, keyH);
        Preferences::standard().setValue(prefs::hotKeyModifiers, ctrlAlt);
        delegate = std::make_unique<AppDelegate>();
        ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(*delegate));
        window()->show();
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }
    void TearDown() override
    {
        delegate.reset();
        portal.reset();
        Preferences::resetStandard();
        qunsetenv("XDG_SESSION_TYPE");
    }
    MainWindow *window() const { return delegate->window(); }
    HotKeyBox *openHotKeys()
    {
        delegate->preferencesWindow().showPreferences();
        return delegate->preferencesWindow().hotKeyBox();
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    std::unique_ptr<FakePortal> portal;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(ProgramOnWayland, TheDesktopsKeysShowAndWorkAsTheRecordedOnesDoOnX11)
{
    start(true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return portal->bound.size() == 2; }));
    EXPECT_EQ(portal->bound.at(0).properties.value(QStringLiteral("preferred_trigger")),
        QStringLiteral("CTRL+ALT+h"))
        << "the recorded combination is the program's wish";

    HotKeyBox *box = openHotKeys();
    ASSERT_TRUE(box);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return box->desktopKeys(false)->text() == QStringLiteral("Ctrl+Alt+H"); }));
    EXPECT_EQ(box->desktopKeys(true)->text(), QStringLiteral("Not set"));
    EXPECT_FALSE(delegate->preferencesWindow().showHideRecorder()->isVisible());
    portal->changeKeys(QStringLiteral("new-post"), QStringLiteral("Super+N"));
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return box->desktopKeys(true)->text() == QStringLiteral("Super+N"); }));
    box->configureButton()->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal->configureCalls == 1; }));
    delegate->preferencesWindow().panel()->close();

    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    portal->activate(QStringLiteral("show-hide"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isHiddenFromUser(); }))
        << "in front, the hot key hides the window";
    portal->activate(QStringLiteral("show-hide"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window()->isHiddenFromUser(); }))
        << "hidden, it brings the window back";

    window()->hideApplication();
    portal->activate(QStringLiteral("new-post"));
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
    EXPECT_TRUE(box->note()->text().contains(QStringLiteral("offers no global shortcuts")))
        << box->note()->text().toStdString();
    EXPECT_FALSE(delegate->preferencesWindow().showHideRecorder()->isEnabled());
    EXPECT_FALSE(delegate->preferencesWindow().newPostRecorder()->isEnabled());
}

} // namespace
