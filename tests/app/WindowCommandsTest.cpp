// The main window's commands: close steps back one level, the side bar and the
// stream menu, keyboard selection, swipes, the bars, agent mode, the login item
// and the tray item.
#include "ProgramTest.h"

#include "app/AboutWindow.h"
#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
#include "app/StatusItem.h"
#include "app/Swipes.h"
#include "app/WindowCommands.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/Autostart.h"
#include "platform/Relaunch.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "text/LinedTextView.h"
#include "views/PreferencePanel.h"
#include "views/SideBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

namespace {

class WindowCommandsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        start();
    }

    testsupport::RecordingOpener opener;
};

TEST_F(WindowCommandsTest,
    KeyboardSelectionLeavesTheComposerItsKeysCloseStepsBackAndTheBarsFollowTheStream)
{
    // Keyboard selection starts at either end.
    ASSERT_GT(posts().count(), 1);
    delegate->commands().trigger(u"previousPost"_qs);
    EXPECT_EQ(posts().selectionIndex(), posts().count() - 1);
    posts().clearSelection();
    delegate->commands().trigger(u"nextPost"_qs);
    EXPECT_EQ(posts().selectionIndex(), 0);
    delegate->commands().trigger(u"nextPost"_qs);
    EXPECT_EQ(posts().selectionIndex(), 1);
    delegate->commands().trigger(u"previousPost"_qs);
    EXPECT_EQ(posts().selectionIndex(), 0);

    window().show();
    delegate->newPost();
    QApplication::setActiveWindow(&window());
    window().composer()->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window().composerHasFocus(); }));
    // The arrow keys belong to the text while the user writes.
    delegate->commands().trigger(u"nextPost"_qs);
    EXPECT_EQ(posts().selectionIndex(), 0);

    ASSERT_TRUE(window().isComposerOpen());
    window().composer()->setPlainText(u"draft"_qs);
    ASSERT_TRUE(delegate->composer().isPostAvailable());
    delegate->composer().setCurrentPostType(2);

    // 1: the text goes, the pane stays.
    delegate->windowCommands().closeWindow();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(window().composerText().isEmpty());
    EXPECT_EQ(delegate->composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), u"postTemplate"_qs);

    // 2: the pane closes.
    delegate->windowCommands().closeWindow();
    EXPECT_FALSE(window().isComposerOpen());

    // The mention indicator shows outside the mentions, the back bar on a
    // stream opened from a post; in full screen the back bar is left as it is.
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(2); }));
    delegate->applicationDidUpdate();
    EXPECT_FALSE(window().isMentionIndicatorVisible());
    EXPECT_FALSE(window().isBackBarVisible());
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }));
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isMentionIndicatorVisible());
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(u"#coffee"_qs); }));
    ASSERT_EQ(delegate->streams().currentStreamKind(), StreamKind::Hashtag);
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isBackBarVisible());
    EXPECT_EQ(window().backBarLabel(), u"#coffee"_qs);
    delegate->windowCommands().setFullScreen(true);
    window().setBackBarVisible(false);
    delegate->applicationDidUpdate();
    EXPECT_FALSE(window().isBackBarVisible());
    delegate->windowCommands().setFullScreen(false);

    // 3: a secondary stream goes back to the stream it was opened from.
    ASSERT_TRUE(waitForLoad([&] { delegate->windowCommands().closeWindow(); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Global);
    EXPECT_EQ(window().sideBar()->selectedRow(), 3);
    EXPECT_TRUE(window().isVisible());

    // 4: on a main stream the window goes.
    delegate->windowCommands().closeWindow();
    EXPECT_TRUE(testsupport::waitUntil([&] { return window().isHiddenFromUser(); }));
}

TEST(Swipes, GoOutOnlyWhenGesturesAreOnAndTheSidewaysDeltaFirst)
{
    QTemporaryDir profile;
    testsupport::pointXdgFoldersAt(profile.path());
    QObject context;
    QStringList posted;
    for (const QString &name : { nf::gestureLeft, nf::gestureUp })
        NotificationBus::defaultCenter().subscribe(
            name, &context, [&posted, name] { posted << name; });
    EXPECT_FALSE(SwipeWatcher::swipeWithDeltas(1.0, 0.0));
    Preferences::standard().setValue(prefs::prefsEnableGestures, true);
    EXPECT_TRUE(SwipeWatcher::swipeWithDeltas(1.0, 1.0));
    EXPECT_FALSE(SwipeWatcher::swipeWithDeltas(0.5, 0.0));
    EXPECT_EQ(posted, QStringList { nf::gestureLeft });
    Preferences::resetStandard();
}

using AgentModeTest = ProgramTest;

TEST_F(AgentModeTest, AnAgentWithoutMenuBarAnswersEveryCommandsKeys)
{
    Preferences::standard().setValue(prefs::launchAsAgentApp, true);
    ASSERT_TRUE(sandbox.setLatency(250, 50));
    start();
    window().show();
    EXPECT_FALSE(window().menuBar()->isVisible());
    EXPECT_TRUE(window().windowFlags().testFlag(Qt::Tool)) << "an agent stays off the task bar";
    QApplication::setActiveWindow(&window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    for (const Command &command : delegate->commands().commands()) {
        if (!command.shortcuts.isEmpty()) {
            EXPECT_TRUE(window().actions().contains(delegate->commands().action(command.id)))
                << command.id.toStdString() << " has keys only in the hidden menu bar";
        }
    }

    // Typed as a user types them: streams and post actions reach the service.
    QWindow *handle = window().windowHandle();
    ASSERT_TRUE(waitForLoad([&] { QTest::keyClick(handle, Qt::Key_4, Qt::ControlModifier); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Global);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/stream/global"_qs), 1);
    posts().setSelectionIndex(0);
    const QString starred = u"/stream/0/posts/%1/star"_qs.arg(posts().selectedObject()->id());
    const QString method = posts().selectedObject()->youStarred() ? u"DELETE"_qs : u"POST"_qs;
    QTest::keyClick(handle, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(testsupport::waitUntil([&] { return sandbox.requestCount(method, starred) == 1; }));
    QTest::keyClick(handle, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(window().isComposerOpen());
    QTest::keyClick(handle, Qt::Key_Escape);
    EXPECT_FALSE(window().isComposerOpen());
    QTest::keyClick(handle, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window().composerText().startsWith(u'@')) << window().composerText().toStdString();
    // F1 lists the keys as the menus group them; Ctrl+, is the way to the preferences.
    QTest::keyClick(handle, Qt::Key_F1);
    auto *list = window().findChild<QTreeWidget *>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->topLevelItem(0)->text(0), u"File"_qs);
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0), u"New Post"_qs);
    list->window()->close();
    QApplication::setActiveWindow(&window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    QTest::keyClick(handle, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_NE(delegate->preferencesWindow().panel(), nullptr);
    EXPECT_TRUE(delegate->preferencesWindow().panel()->isVisible());

    // Cancelling the warning of the switch leaves the next start a normal one.
    alerts.answerNext(1);
    delegate->windowCommands().toggleDockIcon();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, u"Warning!"_qs);
    EXPECT_EQ(alerts.shown().first().buttons, (QStringList { u"OK"_qs, u"Cancel"_qs }));
    EXPECT_FALSE(Preferences::standard().value(prefs::launchAsAgentApp));
}

TEST(Relaunch, StartsTheProgramAgainAfterAPauseWhateverItsPath)
{
    QTemporaryDir folder;
    const QString program = folder.filePath(u"o'neil \"$HOME\" velto"_qs);
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch \"$0.ran\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Relaunch::relaunch(program));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return QFile::exists(program + u".ran"_qs); }, std::chrono::seconds(10)));
    EXPECT_GE(clock.elapsed(), 900) << "the program ending has a moment to go first";
}

TEST_F(WindowCommandsTest, HelpPagesOpenOnTheMakersSiteAndTheLoginItemIsAnAutostartEntry)
{
    delegate->windowCommands().quickHelp();
    delegate->windowCommands().openVELTO();
    delegate->windowCommands().showAbout();
    auto *about = window().findChild<AboutWindow *>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    delegate->windowCommands().showAbout(); // shown again, not made twice
    EXPECT_EQ(window().findChildren<AboutWindow *>().size(), 1);
    QTest::mouseClick(about->findChild<QPushButton *>(u"Support"_qs), Qt::LeftButton);
    ASSERT_EQ(opener.opened().size(), 3);
    EXPECT_EQ(opener.opened().last().path(), AboutWindow::supportPath());
    for (const QUrl &url : opener.opened())
        EXPECT_TRUE(url.toString().startsWith(sandbox.baseUrl().toString()))
            << url.toString().toStdString();

    delegate->windowCommands().addToLoginItems();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, u"Success!"_qs);
    EXPECT_EQ(
        alerts.shown().first().message, u"Velto will now automatically open when you log in."_qs);
    QFile entry(Autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(
        text.contains(u"Exec=\""_qs + QCoreApplication::applicationFilePath() + QLatin1Char('"')));
    EXPECT_TRUE(Autostart::entryPath().startsWith(profile.path()));
}

TEST(StatusItem, FollowsThePreferenceAndShowsWhatWaits)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    MainWindow window;
    QMenu menu;
    StatusItem item(&window, &menu);
    item.toggleStatusItem();
    EXPECT_FALSE(item.exists()) << "off unless asked for";

    Preferences::standard().setValue(prefs::prefsShowStatusItem, true);
    item.toggleStatusItem();
    ASSERT_TRUE(item.exists());
    EXPECT_EQ(item.pictureName(), u"status_off"_qs);
    item.setNewMentionsWaiting(true);
    EXPECT_EQ(item.pictureName(), u"status_off_blue"_qs);
    Q_EMIT menu.aboutToShow();
    EXPECT_EQ(item.pictureName(), u"status_on"_qs);
    Q_EMIT menu.aboutToHide();
    EXPECT_EQ(item.pictureName(), u"status_off_blue"_qs);

    Preferences::standard().setValue(prefs::prefsShowStatusItem, false);
    item.toggleStatusItem();
    EXPECT_FALSE(item.exists());
    // Counters still change without the item; no picture is set.
    item.setNewMentionsWaiting(false);
    EXPECT_TRUE(item.pictureName().isEmpty());
    Preferences::resetStandard();
}

TEST(StatusItem, AHiddenWindowIsMinimisedUnlessATrayCanBringItBack)
{
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.hideApplication();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());

    window.showNormal();
    window.setHideToTray(true);
    window.hideApplication();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
