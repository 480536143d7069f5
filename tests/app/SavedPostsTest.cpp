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
#include "service/PostsArrayController.h"
#include "service/SavedPostList.h"
#include "service/StreamLoader.h"
#include "support/DataFiles.h"
#include "views/NoticeBar.h"
#include "views/SideBar.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

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
    EXPECT_EQ(alerts.shown().at(0).message, u"Post is already saved."_qs);
    EXPECT_EQ(delegate->savedPosts().count(), 2);

    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); })); // the global stream
    delegate->savedPostCommands().showSavedPosts();
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    EXPECT_EQ(delegate->streams().oldStreamType(), StreamKind::Global);
    EXPECT_EQ(window().backBarLabel(), u"Saved"_qs);
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isBackBarVisible());
    EXPECT_EQ(shownIds(), (QStringList { newer, older })); // newest first
    EXPECT_TRUE(window().isProgressRunning());
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return window().listOpacity() == 1.0 && !window().isProgressRunning(); }));

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

TEST_F(SavedPostsTest, SavesThatCannotBeWrittenAreSaidOnceAndTheNextThatCanKeepsThemAll)
{
    // A folder where the file belongs: no write can replace it.
    const QString path = delegate->savedPosts().path();
    ASSERT_TRUE(QDir().mkpath(path));
    // Two writes that fail, not one that takes both.
    saveRow(0);
    delegate->savedPosts().waitForWrites();
    saveRow(1);
    delegate->savedPosts().waitForWrites();
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return window().noticeBar()->text().contains(path); }));
    EXPECT_EQ(window().noticeBar()->text().count(path), 1);
    EXPECT_TRUE(alerts.shown().isEmpty());

    ASSERT_TRUE(QDir(path).removeRecursively());
    saveRow(2);
    delegate->savedPosts().waitForWrites();
    EXPECT_EQ(DataFiles::loadSavedPosts(path)->size(), 3);
}

TEST_F(SavedPostsTest, TheSavedViewWaitsForNoLoadActsOnTheSavedPostsAndAFailedSwitchStaysThere)
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
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().goBack(); }));
    EXPECT_FALSE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), before);
    delegate->applicationDidUpdate();
    EXPECT_FALSE(window().isBackBarVisible());
    // Out of the saved view, delete does nothing to the saved posts.
    posts().setSelectionIndex(0);
    delegate->savedPostCommands().deleteSavedPost();
    EXPECT_EQ(delegate->savedPosts().count(), 1);

    auto savedShownAndIdle = [&] {
        return testsupport::waitUntil([&] {
            return delegate->savedPostCommands().isSavedViewShown()
                && delegate->streams().loadState() == StreamLoader::LoadState::Idle;
        });
    };
    delegate->commands().trigger(u"savedPosts"_qs);
    ASSERT_TRUE(savedShownAndIdle());
    posts().setSelectionIndex(0);

    // A star given here is the saved post's: it is still found as saved.
    const bool starred
        = delegate->savedPosts().records().first().post.value(u"you_starred"_qs).toBool();
    QSignalSpy starDone(&delegate->postActions(), &PostActions::stateChanged);
    delegate->commands().trigger(u"star"_qs);
    ASSERT_TRUE(starDone.wait(10000));
    EXPECT_NE(
        delegate->savedPosts().records().first().post.value(u"you_starred"_qs).toBool(), starred);
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown()) << "the view stays the saved one";
    delegate->commands().trigger(u"savePost"_qs);
    EXPECT_EQ(delegate->savedPosts().count(), 1) << "saved twice";
    delegate->commands().trigger(u"deleteSavedPost"_qs);
    EXPECT_EQ(delegate->savedPosts().count(), 0) << "the starred post was not found to delete";

    // A stream that fails to load leaves the saved view as it was, and the
    // side bar names the stream Back returns to.
    ASSERT_TRUE(waitForLoad([&] { delegate->commands().trigger(u"back"_qs); }));
    saveRow(0);
    delegate->commands().trigger(u"savedPosts"_qs);
    ASSERT_TRUE(savedShownAndIdle());
    const StreamKind backTo = delegate->streams().oldStreamType();
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/users/me/posts"_qs, 500));
    ASSERT_TRUE(waitForLoad([&] { delegate->commands().trigger(u"stream1"_qs); }, false));
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(window().backBarLabel(), u"Saved"_qs);
    EXPECT_TRUE(window().isBackBarVisible());
    EXPECT_EQ(window().sideBar()->selectedRow(), sideBarRowForStreamKind(backTo));
    EXPECT_EQ(posts().count(), 1);
}

} // namespace
