// The main window's commands: close steps back one level, the side bar and the
// stream menu, keyboard selection, swipes, the bars, agent mode and the login item.
#include "ProgramTest.h"

#include "app/AboutWindow.h"
#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
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
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include <gtest/gtest.h>

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

TEST_F(WindowCommandsTest, CloseStepsBackOneLevelAtATime)
{
    window().show();
    delegate->newPost();
    ASSERT_TRUE(window().isComposerOpen());
    window().composer()->setPlainText(QStringLiteral("draft"));
    ASSERT_TRUE(delegate->composer().isPostAvailable());
    delegate->composer().setCurrentPostType(2);

    // 1: the text goes, the pane stays.
    delegate->windowCommands().closeWindow();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(window().composerText().isEmpty());
    EXPECT_EQ(delegate->composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("postTemplate"));

    // 2: the pane closes.
    delegate->windowCommands().closeWindow();
    EXPECT_FALSE(window().isComposerOpen());

    // 3: a secondary stream goes back to the stream it was opened from.
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(QStringLiteral("#coffee")); }));
    ASSERT_EQ(delegate->streams().currentStreamKind(), StreamKind::Hashtag);
    ASSERT_TRUE(waitForLoad([&] { delegate->windowCommands().closeWindow(); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Global);
    EXPECT_EQ(window().sideBar()->selectedRow(), 3);
    EXPECT_TRUE(window().isVisible());

    // 4: on a main stream the window goes.
    delegate->windowCommands().closeWindow();
    EXPECT_TRUE(testsupport::waitUntil([&] { return window().isHiddenFromUser(); }));
}

TEST_F(WindowCommandsTest, TheFifthSideBarButtonAndTheMenuTagFourLoadStarredPosts)
{
    ASSERT_TRUE(waitForLoad([&] { delegate->sideBarDidSelectButton(window().sideBar(), 4); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(0); }));
    EXPECT_EQ(window().sideBar()->selectedRow(), 0);
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(4); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    EXPECT_EQ(window().sideBar()->selectedRow(), 4);
    ASSERT_GT(posts().count(), 0);
    for (int i = 0; i < posts().count(); ++i)
        EXPECT_TRUE(posts().arrangedObject(i)->youStarred());
    // Selecting in the starred list marks the saved-posts fact.
    posts().setSelectionIndex(0);
    EXPECT_TRUE(delegate->selection().isSavedPostsVisible());
    EXPECT_EQ(Preferences::standard().value(prefs::starItemTitle), QStringLiteral("Unstar Post"));
}

TEST_F(WindowCommandsTest, KeyboardSelectionStartsAtEitherEndAndLeavesTheComposerItsKeys)
{
    ASSERT_GT(posts().count(), 1);
    delegate->commands().trigger(QStringLiteral("previousPost"));
    EXPECT_EQ(posts().selectionIndex(), posts().count() - 1);
    posts().clearSelection();
    delegate->commands().trigger(QStringLiteral("nextPost"));
    EXPECT_EQ(posts().selectionIndex(), 0);
    delegate->commands().trigger(QStringLiteral("nextPost"));
    EXPECT_EQ(posts().selectionIndex(), 1);
    delegate->commands().trigger(QStringLiteral("previousPost"));
    EXPECT_EQ(posts().selectionIndex(), 0);

    window().show();
    delegate->newPost();
    QApplication::setActiveWindow(&window());
    window().composer()->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window().composerHasFocus(); }));
    // The arrow keys belong to the text while the user writes.
    delegate->commands().trigger(QStringLiteral("nextPost"));
    EXPECT_EQ(posts().selectionIndex(), 0);
}

TEST_F(WindowCommandsTest, TheBarsFollowTheShownStream)
{
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(2); }));
    delegate->applicationDidUpdate();
    EXPECT_FALSE(window().isMentionIndicatorVisible());
    EXPECT_FALSE(window().isBackBarVisible());
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(1); }));
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isMentionIndicatorVisible());

    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(QStringLiteral("#coffee")); }));
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isBackBarVisible());
    EXPECT_EQ(window().backBarLabel(), QStringLiteral("#coffee"));
    // In full screen the back bar is left as it is.
    delegate->windowCommands().setFullScreen(true);
    window().setBackBarVisible(false);
    delegate->applicationDidUpdate();
    EXPECT_FALSE(window().isBackBarVisible());
}

TEST(Swipes, DeltasAreTestedInOrderAndOnlyWhenGesturesAreOn)
{
    QTemporaryDir profile;
    testsupport::pointXdgFoldersAt(profile.path());
    EXPECT_EQ(swipeNotificationName(1.0, 1.0), nf::gestureLeft);
    EXPECT_EQ(swipeNotificationName(-1.0, 1.0), nf::gestureRight);
    EXPECT_EQ(swipeNotificationName(0.0, 1.0), nf::gestureUp);
    EXPECT_EQ(swipeNotificationName(0.0, -1.0), nf::gestureDown);
    EXPECT_EQ(swipeNotificationName(0.5, 0.0), QString());

    QObject context;
    QStringList posted;
    for (const QString &name :
        { nf::gestureLeft, nf::gestureRight, nf::gestureUp, nf::gestureDown })
        NotificationBus::defaultCenter().subscribe(
            name, &context, [&posted, name] { posted << name; });
    EXPECT_FALSE(SwipeWatcher::swipeWithDeltas(1.0, 0.0));
    EXPECT_TRUE(posted.isEmpty());
    Preferences::standard().setValue(prefs::prefsEnableGestures, true);
    EXPECT_TRUE(SwipeWatcher::swipeWithDeltas(1.0, 1.0));
    EXPECT_EQ(posted, QStringList { nf::gestureLeft });
    Preferences::resetStandard();
}

TEST_F(WindowCommandsTest, AnAgentWithoutMenuBarAnswersEveryCommandsKeys)
{
    Preferences::standard().setValue(prefs::launchAsAgentApp, true);
    delegate->windowCommands().applyDockMode();
    window().show();
    ASSERT_FALSE(window().menuBar()->isVisible());
    QApplication::setActiveWindow(&window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));

    for (const Command &command : delegate->commands().commands()) {
        if (command.shortcuts.isEmpty())
            continue;
        EXPECT_TRUE(window().actions().contains(delegate->commands().action(command.id)))
            << command.id.toStdString() << " has keys only in the hidden menu bar";
    }
    // Typed as a user types them.
    QWindow *handle = window().windowHandle();
    QTest::keyClick(handle, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(window().isComposerOpen());
    QTest::keyClick(handle, Qt::Key_Escape);
    EXPECT_FALSE(window().isComposerOpen());
    posts().setSelectionIndex(0);
    QTest::keyClick(handle, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(window().composerText().startsWith(u'@')) << window().composerText().toStdString();
    // F1 lists the keys, grouped as the menus are.
    QTest::keyClick(handle, Qt::Key_F1);
    auto *list = window().findChild<QTreeWidget *>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    ASSERT_GT(list->topLevelItemCount(), 0);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("File"));
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0), QStringLiteral("New Post"));
    list->window()->close();
}

TEST_F(WindowCommandsTest, CancellingTheAgentWarningKeepsTheDockIcon)
{
    Preferences::standard().setValue(prefs::launchAsAgentApp, true);
    alerts.answerNext(1); // "Cancel"
    delegate->windowCommands().toggleDockIcon();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, QStringLiteral("Warning!"));
    EXPECT_EQ(alerts.shown().first().style, AlertStyle::Critical);
    EXPECT_EQ(alerts.shown().first().buttons,
        (QStringList { QStringLiteral("OK"), QStringLiteral("Cancel") }));
    EXPECT_FALSE(Preferences::standard().value(prefs::launchAsAgentApp));
    EXPECT_FALSE(Preferences::standard().value(prefs::prefsShowStatusItem));
}

TEST_F(WindowCommandsTest, LoginItemIsAnAutostartEntryForThisProgram)
{
    delegate->windowCommands().addToLoginItems();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, QStringLiteral("Success!"));
    EXPECT_EQ(alerts.shown().first().message,
        QStringLiteral("Velto will now automatically open when you log in."));
    QFile entry(Autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(
        QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + QLatin1Char('"')));
    EXPECT_TRUE(Autostart::entryPath().startsWith(profile.path()));
}

TEST_F(WindowCommandsTest, TheUpdateBoxSwitchedOffAndOnChecksAtTheNextStart)
{
    delegate->preferencesWindow().showPreferences();
    PreferencePanel *panel = delegate->preferencesWindow().panel();
    panel->changePanes(3);
    auto *box = panel->currentPane()->findChild<QCheckBox *>();
    ASSERT_NE(box, nullptr);
    const bool on = box->isChecked();
    Preferences::standard().setValue(prefs::updateLastCheckDate, QStringLiteral("818000000"));
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(Preferences::standard().value(prefs::updateCheckAtStartup), on);
    EXPECT_EQ(Preferences::standard().value(prefs::updateLastCheckDate), QStringLiteral("0"));
}

TEST(Relaunch, StartsTheProgramAgainAfterAPauseWhateverItsPath)
{
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("o'neil \"$HOME\" velto"));
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch \"$0.ran\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Relaunch::relaunch(program));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return QFile::exists(program + QStringLiteral(".ran")); }, std::chrono::seconds(10)));
    EXPECT_GE(clock.elapsed(), 900) << "the program ending has a moment to go first";
}

TEST_F(WindowCommandsTest, HelpPagesOpenOnTheMakersSite)
{
    delegate->windowCommands().quickHelp();
    delegate->windowCommands().openVELTO();
    delegate->windowCommands().showAbout();
    auto *about = window().findChild<AboutWindow *>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    delegate->windowCommands().showAbout(); // shown again, not made twice
    EXPECT_EQ(window().findChildren<AboutWindow *>().size(), 1);
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("Support")), Qt::LeftButton);
    ASSERT_EQ(opener.opened().size(), 3);
    EXPECT_EQ(opener.opened().last().path(), AboutWindow::supportPath());
    for (const QUrl &url : opener.opened())
        EXPECT_TRUE(url.toString().startsWith(sandbox.baseUrl().toString()))
            << url.toString().toStdString();
}

} // namespace
