// The whole program with a post store, against the sandbox 300 ms away: a
// start paints the last page from the store, at the reader's place, before
// the service answers; with the service stopped it shows the stored posts
// and says it is offline, without an alert; a refresh that brings new posts
// keeps the post the reader looks at where it was and offers them above.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "support/PostStore.h"
#include "views/NewPostsMarker.h"
#include "views/NoticeBar.h"

#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::waitUntil;

class InstantStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start({ u"--latency"_qs, u"300"_qs }));
        testsupport::prepareSignedInProfile(sandbox);
    }
    void TearDown() override { Preferences::resetStandard(); }

    // Scrolls so that the arranged row `row` is the top of the list.
    static bool readAt(AppDelegate &delegate, int row)
    {
        TimelineListView *list = delegate.window()->listView();
        const QString id = delegate.postsArrayController()->arrangedObject(row)->id();
        return waitUntil([&] {
            list->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtTop);
            return list->readingPlace().postID == id;
        });
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
};

TEST_F(InstantStartTest, AStartPaintsTheStoredPageAtTheReadersPlaceBeforeAnyAnswer)
{
    TimelineListView::ReadingPlace left;
    {
        AppDelegate first;
        ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(first));
        ASSERT_TRUE(readAt(first, 4));
        left = first.window()->listView()->readingPlace();
        first.applicationWillTerminate();
    }
    struct Case {
        const char *name;
        std::function<void()> arrange;
        bool offline;
    };
    const Case cases[] = {
        { "the service 300 ms away", [] {}, false },
        { "the service stopped", [&] { sandbox.stop(); }, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        AppDelegate delegate;
        QSignalSpy finished(&delegate.streams(), &StreamLoader::streamLoadFinished);
        int rowsBeforeAnswer = 0;
        QObject::connect(&delegate.streams(), &StreamLoader::storedPageShown, &delegate, [&] {
            rowsBeforeAnswer = finished.isEmpty() ? delegate.postsArrayController()->count() : 0;
        });
        delegate.awakeFromNib();
        ASSERT_TRUE(finished.wait(15000));
        EXPECT_EQ(finished.first().at(0).toBool(), !c.offline);
        EXPECT_GE(rowsBeforeAnswer, 5);
        TimelineListView *list = delegate.window()->listView();
        EXPECT_TRUE(waitUntil([&] { return list->readingPlace() == left; }))
            << list->readingPlace().postID.toStdString() << " + " << list->readingPlace().offset;

        const QString status = delegate.window()->noticeBar()->statusText();
        EXPECT_EQ(status.startsWith(u"Offline: showing posts from "_qs), c.offline)
            << status.toStdString();
        EXPECT_EQ(status.endsWith(u"Unable to fetch stream."_qs), c.offline);
        EXPECT_TRUE(alerts.shown().isEmpty());
        delegate.applicationWillTerminate();
    }
}

TEST_F(InstantStartTest, ARefreshWithNewPostsKeepsTheTopPostAndOffersTheNewOnes)
{
    AppDelegate delegate;
    ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(delegate));
    ASSERT_TRUE(readAt(delegate, 3));
    TimelineListView *list = delegate.window()->listView();
    const TimelineListView::ReadingPlace place = list->readingPlace();
    for (int n = 0; n < 3; ++n)
        ASSERT_EQ(sandbox.api("POST", "posts", "text=new+" + QByteArray::number(n)).status, 200);

    QSignalSpy finished(&delegate.streams(), &StreamLoader::streamLoadFinished);
    delegate.streams().reloadShownStream();
    ASSERT_TRUE(finished.wait(15000));
    EXPECT_TRUE(waitUntil([&] { return list->readingPlace() == place; }))
        << list->readingPlace().postID.toStdString() << " + " << list->readingPlace().offset;
    NewPostsMarker *marker = delegate.window()->newPostsMarker();
    EXPECT_TRUE(marker->isVisible());
    EXPECT_EQ(marker->count(), 3);

    marker->click();
    EXPECT_TRUE(waitUntil([&] { return list->verticalScrollBar()->value() == 0; }));
    EXPECT_FALSE(marker->isVisible());
}

TEST_F(InstantStartTest, RevokingTheCredentialsDeletesTheStoredPosts)
{
    AppDelegate delegate;
    ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(delegate));
    ASSERT_TRUE(QFile::exists(PostStore::defaultPath()));
    int restarts = 0;
    Relaunch::setRestartHandler([&] { ++restarts; });
    alerts.answerNext(0); // Revoke
    delegate.revokeCredentials();
    Relaunch::setRestartHandler({});
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(QFile::exists(PostStore::defaultPath()));
}

} // namespace
