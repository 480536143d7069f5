// Saving posts and the saved view against the sandbox, over a slow network:
// saving, the refusal of a second save, the view titled "Saved", deleting,
// and the saved posts after a restart.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PostActions.h"
#include "app/SavedPostCommands.h"
#include "core/Preferences.h"
#include "service/Account.h"
#include "service/PostsArrayController.h"
#include "service/SavedPostList.h"
#include "service/StreamLoader.h"
#include "support/DataFiles.h"
#include "views/SideBar.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class SavedPostsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
    }
    bool load(const std::function<void()> &action)
    {
        QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
        action();
        return loaded.wait(15000) && loaded.first().at(0).toBool();
    }
    QString saveRow(int row)
    {
        // Selected while its avatar is still on its way over the slow service:
        // the saved copy has the picture all the same.
        posts().setSelectionIndex(row);
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return !posts().arrangedObject(row)->theAvatarImage.isNull(); }));
        delegate->savedPostCommands().savePost();
        return posts().arrangedObject(row)->id();
    }
};

TEST_F(SavedPostsTest, SavedPostsShowInTheirOwnViewAndSurviveARestart)
{
    ASSERT_GE(posts().count(), 3);
    const QString newer = saveRow(0);
    const QString older = saveRow(2);
    posts().setSelectionIndex(0);
    delegate->savedPostCommands().savePost();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).message, QStringLiteral("Post is already saved."));
    EXPECT_EQ(delegate->savedPosts().count(), 2);

    ASSERT_TRUE(load([&] { delegate->selectView(3); })); // the global stream
    delegate->savedPostCommands().showSavedPosts();
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    EXPECT_EQ(delegate->streams().oldStreamType(), StreamKind::Global);
    EXPECT_EQ(delegate->window()->backBarLabel(), QStringLiteral("Saved"));
    delegate->applicationDidUpdate();
    EXPECT_TRUE(delegate->window()->isBackBarVisible());
    EXPECT_EQ(shownIds(), (QStringList { newer, older })); // newest first
    EXPECT_TRUE(delegate->window()->isProgressRunning());
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return delegate->window()->listOpacity() == 1.0 && !delegate->window()->isProgressRunning();
    }));

    // In the saved view the shown post is the saved one.
    posts().setSelectionIndex(0);
    delegate->savedPostCommands().savePost();
    EXPECT_EQ(alerts.shown().size(), 2);
    delegate->savedPostCommands().deleteSavedPost();
    EXPECT_EQ(shownIds(), QStringList { older });
    EXPECT_EQ(delegate->savedPosts().count(), 1);
    delegate->savedPosts().waitForWrites();
    EXPECT_EQ(DataFiles::loadSavedPosts(delegate->savedPosts().path())->size(), 1);

    // Killed now, nothing is lost: the file already holds the list.
    delegate.reset();
    start();
    ASSERT_EQ(delegate->savedPosts().count(), 1);
    delegate->savedPostCommands().showSavedPosts();
    EXPECT_EQ(shownIds(), QStringList { older });
    EXPECT_FALSE(posts().arrangedObject(0)->theAvatarImage.isNull())
        << "the picture came from the file";
}

TEST_F(SavedPostsTest, TheSavedViewWaitsForNoLoadAndALoadEndsIt)
{
    saveRow(0);
    const StreamKind before = delegate->streams().currentStreamKind();
    QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
    delegate->streams().doTheRefreshVoid();
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate->streams().isCurrentlyLoading(); }));
    delegate->savedPostCommands().showSavedPosts();
    EXPECT_FALSE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), before);
    ASSERT_TRUE(loaded.wait(15000));

    delegate->savedPostCommands().showSavedPosts();
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    // Back leaves the saved posts for the stream they replaced.
    ASSERT_TRUE(load([&] { delegate->streams().goBack(); }));
    EXPECT_FALSE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), before);
    delegate->applicationDidUpdate();
    EXPECT_FALSE(delegate->window()->isBackBarVisible());
    // Out of the saved view, delete does nothing to the saved posts.
    posts().setSelectionIndex(0);
    delegate->savedPostCommands().deleteSavedPost();
    EXPECT_EQ(delegate->savedPosts().count(), 1);
}

TEST_F(SavedPostsTest, TheSavedViewActsOnTheSavedPostsAndAFailedSwitchStaysThere)
{
    saveRow(0);
    auto savedShownAndIdle = [&] {
        return testsupport::waitUntil([&] {
            return delegate->savedPostCommands().isSavedViewShown()
                && delegate->streams().loadState() == StreamLoader::LoadState::Idle;
        });
    };
    delegate->commands().trigger(QStringLiteral("savedPosts"));
    ASSERT_TRUE(savedShownAndIdle());
    posts().setSelectionIndex(0);

    // A star given here is the saved post's: it is still found as saved.
    const bool starred = delegate->savedPosts()
                             .records()
                             .first()
                             .post.value(QStringLiteral("you_starred"))
                             .toBool();
    QSignalSpy starDone(&delegate->postActions(), &PostActions::stateChanged);
    delegate->commands().trigger(QStringLiteral("star"));
    ASSERT_TRUE(starDone.wait(10000));
    EXPECT_NE(
        delegate->savedPosts().records().first().post.value(QStringLiteral("you_starred")).toBool(),
        starred);
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown()) << "the view stays the saved one";
    delegate->commands().trigger(QStringLiteral("savePost"));
    EXPECT_EQ(delegate->savedPosts().count(), 1) << "saved twice";
    delegate->commands().trigger(QStringLiteral("deleteSavedPost"));
    EXPECT_EQ(delegate->savedPosts().count(), 0) << "the starred post was not found to delete";

    // A stream that fails to load leaves the saved view as it was, and the
    // side bar names the stream Back returns to.
    ASSERT_TRUE(load([&] { delegate->commands().trigger(QStringLiteral("back")); }));
    saveRow(0);
    delegate->commands().trigger(QStringLiteral("savedPosts"));
    ASSERT_TRUE(savedShownAndIdle());
    const StreamKind backTo = delegate->streams().oldStreamType();
    ASSERT_TRUE(sandbox.injectFault(QStringLiteral("/stream/0/users/me/posts"), 500));
    QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
    delegate->commands().trigger(QStringLiteral("stream1"));
    ASSERT_TRUE(loaded.wait(15000));
    EXPECT_FALSE(loaded.first().at(0).toBool());
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->window()->backBarLabel(), QStringLiteral("Saved"));
    EXPECT_TRUE(delegate->window()->isBackBarVisible());
    EXPECT_EQ(delegate->window()->sideBar()->selectedRow(), sideBarRowForStreamKind(backTo));
    EXPECT_EQ(posts().count(), 1);
}

TEST_F(SavedPostsTest, TheNamesOfTheFollowedAreOnDiskWithoutWaitingForQuit)
{
    const QString path = delegate->account().completionWords().path();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return DataFiles::loadAutocompletions(path).value_or(QStringList()).size() > 1; },
        10s));
    EXPECT_EQ(DataFiles::loadAutocompletions(path), delegate->account().completionWords().words());
}

} // namespace
