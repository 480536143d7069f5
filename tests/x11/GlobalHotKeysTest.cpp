// Global hot keys on a real X display: the toolkit runs on the display
// itself (not offscreen), combinations are grabbed on its root window, and
// xdotool presses them as a user would while the program runs against the
// sandbox with its latency.
#include "ProgramOnX11.h"

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
#include "platform/ToolkitServices.h"
#include "views/PreferencePanel.h"
#include "views/SRValidator.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

using namespace std::chrono_literals;

constexpr int keyH = 4;
constexpr int keyJ = 38;
constexpr int keyN = 45;
constexpr quint32 ctrlAlt = carbon::control | carbon::option;

void press(const QString &keys)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(u"xdotool"_qs).isEmpty());
    QProcess xdotool;
    xdotool.start(u"xdotool"_qs, { u"key"_qs, keys });
    ASSERT_TRUE(xdotool.waitForFinished(5000));
    ASSERT_EQ(xdotool.exitCode(), 0);
}

TEST(X11HotKeys, APressedCombinationReachesItsHotKeyWithOrWithoutNumLock)
{
    ASSERT_TRUE(X11Session::available()) << QGuiApplication::platformName().toStdString();
    PTHotKeyCenter center(makeDesktopHotKeyGrabber());
    ASSERT_TRUE(center.isAvailable());
    QObject target;
    int pressed = 0;
    PTHotKey hotKey(u"AppLauncher"_qs, PTKeyCombo(keyH, ctrlAlt));
    hotKey.setTarget(&target);
    hotKey.setAction([&pressed](PTHotKey *) { ++pressed; });
    ASSERT_TRUE(center.registerHotKey(&hotKey));

    press(u"ctrl+alt+h"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return pressed == 1; }, 3000ms));
    press(u"Num_Lock"_qs);
    press(u"ctrl+alt+h"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return pressed == 2; }, 3000ms));
    press(u"Num_Lock"_qs);
    // Keys arrive in order: once a later marker combination is seen, an
    // earlier press that reached nothing has been handled.
    int marked = 0;
    PTHotKey marker(u"Marker"_qs, PTKeyCombo(keyN, ctrlAlt));
    marker.setTarget(&target);
    marker.setAction([&marked](PTHotKey *) { ++marked; });
    ASSERT_TRUE(center.registerHotKey(&marker));
    const auto pressThenMark = [&](const QString &keys) {
        const int before = marked;
        press(keys);
        press(u"ctrl+alt+n"_qs);
        return testsupport::waitUntil([&] { return marked == before + 1; }, 3000ms);
    };
    ASSERT_TRUE(pressThenMark(u"ctrl+h"_qs));
    EXPECT_EQ(pressed, 2) << "another modifier set is another combination";

    center.unregisterHotKey(&hotKey);
    ASSERT_TRUE(pressThenMark(u"ctrl+alt+h"_qs));
    EXPECT_EQ(pressed, 2);
    center.unregisterHotKey(&marker);
}

TEST(X11HotKeys, ACombinationAnotherProgramHoldsIsRefused)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    OtherClient other;
    ASSERT_TRUE(other.grabKey(
        xcb_keycode_t(*VirtualKeyCodes::x11Keycode(keyJ)), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));

    PTHotKeyCenter center(makeDesktopHotKeyGrabber());
    PTHotKey hotKey(u"AppLauncher"_qs, PTKeyCombo(keyJ, ctrlAlt));
    EXPECT_FALSE(center.registerHotKey(&hotKey));
    EXPECT_EQ(hotKey.carbonHotKeyID(), 0u);
    EXPECT_EQ(center.grabber().isHeldElsewhere(keyJ, ctrlAlt), true);
    EXPECT_EQ(center.grabber().isHeldElsewhere(keyJ, carbon::control), false);

    // The recorder's validator asks the program's own centre.
    SRValidator validator;
    ShortcutError error;
    EXPECT_TRUE(validator.isKeyCodeAndFlagsTaken(keyJ, ctrlAlt, &error));
    EXPECT_EQ(error.description, u"The key combination ⌃⌥J can't be used!"_qs);
    EXPECT_TRUE(error.recoverySuggestion.contains(u"system-wide keyboard shortcut"_qs));
    EXPECT_FALSE(validator.isKeyCodeAndFlagsTaken(keyJ, carbon::control | carbon::shift, &error));
    Preferences::resetStandard();
}

TEST_F(ProgramOnX11,
    RecordedInThePreferencesTheyShowHideAndStartAPostAndRecordingHoldsTheKeyboardOnlyInFront)
{
    delegate->preferencesWindow().showPreferences();
    PreferencesController &preferences = delegate->preferencesWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preferences.panel()));
    EXPECT_EQ(preferences.panel()->windowTitle(), u"General"_qs);
    EXPECT_TRUE(preferences.showHideRecorder()->isEnabled());

    record(preferences.showHideRecorder(), Qt::Key_H);
    record(preferences.newPostRecorder(), Qt::Key_N);
    ASSERT_TRUE(alerts.shown().isEmpty()) << alerts.shown().at(0).message.toStdString();
    // One combination cannot be both hot keys.
    SRRecorderControl *newPost = preferences.newPostRecorder();
    QTest::mouseClick(newPost, Qt::LeftButton, {}, QPoint(10, newPost->height() / 2));
    QTest::keyClick(newPost, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"The key combination ⌃⌥H can't be used!"_qs);
    EXPECT_TRUE(alerts.shown().at(0).message.contains(u"\"Show or hide Velto\""))
        << alerts.shown().at(0).message.toStdString();
    EXPECT_TRUE(newPost->cell().isRecording());
    QTest::keyClick(newPost, Qt::Key_Escape);
    EXPECT_EQ(newPost->keyCombo().code, keyN);
    Preferences &p = Preferences::standard();
    EXPECT_EQ(p.value(prefs::hotKeyKeyCode), keyH);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), ctrlAlt);
    EXPECT_EQ(p.value(prefs::hotKeyFinderKeyCode), keyN);
    EXPECT_EQ(
        ShortcutActivateDemo::keyComboFromUserDefaults(u"hotKey"_qs), PTKeyCombo(keyH, ctrlAlt))
        << "remembered for the next start";
    const quint32 firstID = delegate->shortcuts().hotKey()->carbonHotKeyID();
    EXPECT_NE(firstID, 0u);

    preferences.panel()->close();
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    press(u"ctrl+alt+h"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isHiddenFromUser(); }, 3000ms))
        << "in front, the hot key hides the window";
    press(u"ctrl+alt+h"_qs);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return !window()->isHiddenFromUser() && window()->isActiveWindow(); }, 3000ms))
        << "hidden, it brings the window back";

    window()->hideApplication();
    ASSERT_TRUE(window()->isHiddenFromUser());
    press(u"ctrl+alt+n"_qs);
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

    // Recording holds the keyboard only in front and lets its alert be answered.
    preferences.panel()->close();
    delegate->preferencesWindow().showPreferences();
    PreferencePanel *panel = delegate->preferencesWindow().panel();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    SRRecorderControl *recorder = delegate->preferencesWindow().showHideRecorder();
    const auto startRecording = [&] {
        QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(10, recorder->height() / 2));
        return recorder->cell().isRecording();
    };
    OtherClient other;
    ASSERT_TRUE(startRecording());
    EXPECT_FALSE(other.canGrabKeyboard()) << "recording in front holds the keyboard";

    // Another program comes forward: recording ends and the keyboard is free.
    other.takeFocus();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !recorder->cell().isRecording(); }, 3000ms));
    EXPECT_TRUE(other.canGrabKeyboard());

    // Quit's combination is refused; its alert takes Return from the keyboard.
    other.focus(xcb_window_t(panel->winId()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    ToolkitServices::install();
    ASSERT_TRUE(startRecording());
    bool returnPressed = false;
    bool closedByTest = false;
    const QDeadlineTimer deadline(8000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!returnPressed && box->isActiveWindow()) {
            returnPressed = true;
            press(u"Return"_qs);
        } else if (deadline.hasExpired()) {
            closedByTest = true;
            box->done(0);
        }
    });
    poll.start(50);
    QTest::keyClick(recorder, Qt::Key_Q, Qt::ControlModifier);
    poll.stop();
    EXPECT_TRUE(returnPressed && !closedByTest) << "the alert was not answered by Return";
    EXPECT_TRUE(recorder->cell().isRecording()) << "recording goes on after a refusal";
    QTest::keyClick(recorder, Qt::Key_Escape);
}

} // namespace
