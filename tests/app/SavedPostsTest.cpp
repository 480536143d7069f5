// Saving posts and the saved view against the sandbox, over a slow network:
// saving, the refusal of a second save, the view titled "Saved", deleting,
// and the saved posts after a restart.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/SavedPostCommands.h"
#include "core/Preferences.h"
#include "service/Account.h"
#include "service/PostsArrayController.h"
#include "service/SavedPostList.h"
#include "service/StreamLoader.h"
#include "support/DataFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class SavedPostsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::prepareSignedInProfile(sandbox);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
    }
    void TearDown() override
    {
        delegate.reset();
        Preferences::resetStandard();
    }
    void start()
    {
        delegate = std::make_unique<AppDelegate>();
        ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(*delegate));
    }
    bool load(const std::function<void()> &action)
    {
        QSignalSpy loaded(delegate.get(), &AppDelegate::streamLoadFinished);
        action();
        return loaded.wait(15000) && loaded.first().at(0).toBool();
    }
    PostsArrayController *posts() const { return delegate->postsArrayController(); }
    QString saveRow(int row)
    {
        posts()->setSelectionIndex(row);
        delegate->savePost();
        return posts()->arrangedObject(row)->id();
    }
    QStringList shownIds() const
    {
        QStringList ids;
        for (int i = 0; i < posts()->count(); ++i)
            ids << posts()->arrangedObject(i)->id();
        return ids;
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SavedPostsTest, SavedPostsShowInTheirOwnViewAndSurviveARestart)
{
    ASSERT_GE(posts()->count(), 3);
    const QString newer = saveRow(0);
    const QString older = saveRow(2);
    posts()->setSelectionIndex(0);
    delegate->savePost();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).message, QStringLiteral("Post is already saved."));
    EXPECT_EQ(delegate->savedPosts().count(), 2);

    ASSERT_TRUE(load([&] { delegate->selectView(3); })); // the global stream
    delegate->showSavedPosts();
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
    posts()->setSelectionIndex(0);
    delegate->savePost();
    EXPECT_EQ(alerts.shown().size(), 2);
    delegate->deleteSavedPost();
    EXPECT_EQ(shownIds(), QStringList { older });
    EXPECT_EQ(delegate->savedPosts().count(), 1);
    delegate->savedPosts().waitForWrites();
    EXPECT_EQ(DataFiles::loadSavedPosts(delegate->savedPosts().path())->size(), 1);

    // Killed now, nothing is lost: the file already holds the list.
    delegate.reset();
    start();
    ASSERT_EQ(delegate->savedPosts().count(), 1);
    delegate->showSavedPosts();
    EXPECT_EQ(shownIds(), QStringList { older });
    EXPECT_FALSE(posts()->arrangedObject(0)->theAvatarImage.isNull())
        << "the picture came from the file";
}

TEST_F(SavedPostsTest, TheSavedViewWaitsForNoLoadAndALoadEndsIt)
{
    saveRow(0);
    const StreamKind before = delegate->streams().currentStreamKind();
    QSignalSpy loaded(delegate.get(), &AppDelegate::streamLoadFinished);
    delegate->doTheRefreshVoid();
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate->streams().isCurrentlyLoading(); }));
    delegate->showSavedPosts();
    EXPECT_FALSE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), before);
    ASSERT_TRUE(loaded.wait(15000));

    delegate->showSavedPosts();
    EXPECT_TRUE(delegate->savedPostCommands().isSavedViewShown());
    // Back leaves the saved posts for the stream they replaced.
    ASSERT_TRUE(load([&] { delegate->goBack(); }));
    EXPECT_FALSE(delegate->savedPostCommands().isSavedViewShown());
    EXPECT_EQ(delegate->streams().currentStreamKind(), before);
    delegate->applicationDidUpdate();
    EXPECT_FALSE(delegate->window()->isBackBarVisible());
    // Out of the saved view, delete does nothing to the saved posts.
    posts()->setSelectionIndex(0);
    delegate->deleteSavedPost();
    EXPECT_EQ(delegate->savedPosts().count(), 1);
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
