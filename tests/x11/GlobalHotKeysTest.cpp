// Global hot keys on a real X display: the toolkit runs on the display
// itself (not offscreen), combinations are grabbed on its root window, and
// xdotool presses them as a user would while the program runs against the
// sandbox with its latency.
#include "ProgramOnX11.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
#include "app/ShortcutActivateDemo.h"
#include "core/Preferences.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKey.h"
#include "desktop/PTHotKeyCenter.h"
#include "desktop/VirtualKeyCodes.h"
#include "desktop/X11Session.h"
#include "views/PreferencePanel.h"
#include "views/SRValidator.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono_literals;

constexpr int keyH = 4;
constexpr int keyJ = 38;
constexpr int keyN = 45;
constexpr quint32 ctrlAlt = carbon::control | carbon::option;

void press(const QString &keys)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), { QStringLiteral("key"), keys });
    ASSERT_TRUE(xdotool.waitForFinished(5000));
    ASSERT_EQ(xdotool.exitCode(), 0);
}

// Another program on the same display, holding a combination.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool grab(int virtualKeyCode, quint16 x11Modifiers)
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
        const auto keycode = VirtualKeyCodes::x11Keycode(virtualKeyCode);
        xcb_generic_error_t *error = xcb_request_check(m_connection,
            xcb_grab_key_checked(m_connection, 1, root, x11Modifiers, xcb_keycode_t(*keycode),
                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t *m_connection;
};

TEST(X11HotKeys, APressedCombinationReachesItsHotKeyWithOrWithoutNumLock)
{
    ASSERT_TRUE(X11Session::available()) << QGuiApplication::platformName().toStdString();
    PTHotKeyCenter center(makeDesktopHotKeyGrabber());
    ASSERT_TRUE(center.isAvailable());
    QObject target;
    int pressed = 0;
    PTHotKey hotKey(QStringLiteral("AppLauncher"), PTKeyCombo(keyH, ctrlAlt));
    hotKey.setTarget(&target);
    hotKey.setAction([&pressed](PTHotKey *) { ++pressed; });
    ASSERT_TRUE(center.registerHotKey(&hotKey));

    press(QStringLiteral("ctrl+alt+h"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return pressed == 1; }, 3000ms));
    press(QStringLiteral("Num_Lock"));
    press(QStringLiteral("ctrl+alt+h"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return pressed == 2; }, 3000ms));
    press(QStringLiteral("Num_Lock"));
    press(QStringLiteral("ctrl+h"));
    QTest::qWait(300);
    EXPECT_EQ(pressed, 2) << "another modifier set is another combination";

    center.unregisterHotKey(&hotKey);
    press(QStringLiteral("ctrl+alt+h"));
    QTest::qWait(300);
    EXPECT_EQ(pressed, 2);
}

TEST(X11HotKeys, ACombinationAnotherProgramHoldsIsRefused)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    OtherClient other;
    ASSERT_TRUE(other.grab(keyJ, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));

    PTHotKeyCenter center(makeDesktopHotKeyGrabber());
    PTHotKey hotKey(QStringLiteral("AppLauncher"), PTKeyCombo(keyJ, ctrlAlt));
    EXPECT_FALSE(center.registerHotKey(&hotKey));
    EXPECT_EQ(hotKey.carbonHotKeyID(), 0u);
    EXPECT_EQ(center.grabber().isHeldElsewhere(keyJ, ctrlAlt), true);
    EXPECT_EQ(center.grabber().isHeldElsewhere(keyJ, carbon::control), false);

    // The recorder's validator asks the program's own centre.
    SRValidator validator;
    ShortcutError error;
    EXPECT_TRUE(validator.isKeyCodeAndFlagsTaken(keyJ, ctrlAlt, &error));
    EXPECT_EQ(error.description, QStringLiteral("The key combination ⌃⌥J can't be used!"));
    EXPECT_TRUE(error.recoverySuggestion.contains(QStringLiteral("system-wide keyboard shortcut")));
    EXPECT_FALSE(validator.isKeyCodeAndFlagsTaken(keyJ, carbon::control | carbon::shift, &error));
    Preferences::resetStandard();
}

TEST_F(ProgramOnX11, RecordedInThePreferencesTheyShowHideAndStartAPost)
{
    delegate->preferencesWindow().showPreferences();
    PreferencesController &preferences = delegate->preferencesWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preferences.panel()));
    EXPECT_EQ(preferences.panel()->windowTitle(), QStringLiteral("General"));
    EXPECT_TRUE(preferences.showHideRecorder()->isEnabled());

    record(preferences.showHideRecorder(), Qt::Key_H);
    record(preferences.newPostRecorder(), Qt::Key_N);
    ASSERT_TRUE(alerts.shown().isEmpty()) << alerts.shown().at(0).message.toStdString();
    Preferences &p = Preferences::standard();
    EXPECT_EQ(p.value(prefs::hotKeyKeyCode), keyH);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), ctrlAlt);
    EXPECT_EQ(p.value(prefs::hotKeyFinderKeyCode), keyN);
    EXPECT_EQ(ShortcutActivateDemo::keyComboFromUserDefaults(QStringLiteral("hotKey")),
        PTKeyCombo(keyH, ctrlAlt))
        << "remembered for the next start";
    const quint32 firstID = delegate->shortcuts().hotKey()->carbonHotKeyID();
    EXPECT_NE(firstID, 0u);

    preferences.panel()->close();
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    press(QStringLiteral("ctrl+alt+h"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isHiddenFromUser(); }, 3000ms))
        << "in front, the hot key hides the window";
    press(QStringLiteral("ctrl+alt+h"));
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return !window()->isHiddenFromUser() && window()->isActiveWindow(); }, 3000ms))
        << "hidden, it brings the window back";

    window()->hideApplication();
    ASSERT_TRUE(window()->isHiddenFromUser());
    press(QStringLiteral("ctrl+alt+n"));
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return !window()->isHiddenFromUser() && window()->isComposerOpen(); }, 3000ms))
        << "the new-post hot key brings Velto forward with the composer";

    // A new combination replaces the registration under a new identifier.
    record(preferences.showHideRecorder(), Qt::Key_J);
    EXPECT_GT(delegate->shortcuts().hotKey()->carbonHotKeyID(), firstID);
    // Clearing keeps no registration and stores no modifiers.
    QTest::mouseClick(preferences.showHideRecorder(), Qt::LeftButton, {},
        preferences.showHideRecorder()->buttonRect().center());
    EXPECT_EQ(delegate->shortcuts().hotKey()->carbonHotKeyID(), 0u);
    EXPECT_EQ(p.value(prefs::hotKeyKeyCode), -1);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 0u);
}

TEST_F(ProgramOnX11, CtrlCommaOpensThePreferencesOnGeneral)
{
    QTest::keyClick(window(), Qt::Key_Comma, Qt::ControlModifier);
    PreferencePanel *panel = delegate->preferencesWindow().panel();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    EXPECT_EQ(panel->selectedTag(), 0);
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("General"));
}

} // namespace
