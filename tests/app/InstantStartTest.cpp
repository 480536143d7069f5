// The whole program with a post store, against the sandbox 300 ms away: a
// start paints the last page from the store, at the reader's place, before
// the service answers; with the service stopped it shows the stored posts
// and says it is offline, without an alert; a refresh that brings new posts
// keeps the post the reader looks at where it was and offers them above.
#include "BusServiceStub.h"
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "views/NewPostsMarker.h"
#include "views/NoticeBar.h"
#include "views/TimelineListView.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

using testsupport::waitUntil;

class InstantStartTest : public ProgramTest {
protected:
    void SetUp() override
    {
        // The system bus is the test's own, where a network manager can hang.
        m_systemBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(300));
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        if (m_systemBus.isEmpty())
            qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        else
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus);
    }
    QByteArray m_systemBus;
    // Scrolls so that the arranged row `row` is the top of the list.
    bool readAt(int row)
    {
        TimelineListView *list = window().listView();
        const QString id = posts().arrangedObject(row)->id();
        return waitUntil([&] {
            list->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtTop);
            return list->readingPlace().postID == id;
        });
    }
    TimelineListView::ReadingPlace place() const { return window().listView()->readingPlace(); }
};

TEST_F(InstantStartTest, ANewPageKeepsTheTopPostAndAStartPaintsTheStoredPageBeforeAnyAnswer)
{
    start();
    // A refresh with new posts keeps the top post and offers the new ones,
    // until the reader reaches them: by the offer, or with the keys.
    for (const bool byKeys : { false, true }) {
        ASSERT_TRUE(readAt(3));
        const TimelineListView::ReadingPlace before = place();
        for (int n = 0; n < 3; ++n)
            ASSERT_EQ(
                sandbox.api("POST", "posts", "text=new+" + QByteArray::number(n)).status, 200);
        ASSERT_TRUE(waitForLoad([&] { delegate->streams().reloadShownStream(); }));
        EXPECT_TRUE(waitUntil([&] { return place() == before; }))
            << place().postID.toStdString() << " + " << place().offset;
        NewPostsMarker *marker = window().newPostsMarker();
        EXPECT_TRUE(marker->isVisible());
        EXPECT_EQ(marker->count(), 3);
        if (byKeys)
            QTest::keyClick(window().listView(), Qt::Key_Home);
        else
            marker->click();
        EXPECT_TRUE(
            waitUntil([&] { return window().listView()->verticalScrollBar()->value() == 0; }));
        EXPECT_FALSE(marker->isVisible());
    }

    // A start paints the stored page at the reader's place before any answer.
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); })); // the global stream, stored
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(0); }));
    ASSERT_TRUE(readAt(4));
    const TimelineListView::ReadingPlace left = place();
    delegate->applicationWillTerminate();
    // Going offline, the network is watched; a hung network manager holds
    // the window no moment.
    BusServiceStub networkManager(
        u"org.freedesktop.NetworkManager"_qs, u"/org/freedesktop/NetworkManager"_qs);
    ASSERT_TRUE(networkManager.isOffered());
    for (const bool offline : { false, true }) {
        SCOPED_TRACE(offline ? "the service stopped" : "the service 300 ms away");
        if (offline)
            sandbox.stop();
        QElapsedTimer clock;
        clock.start();
        delegate.reset();
        delegate = std::make_unique<AppDelegate>();
        QSignalSpy finished(&delegate->streams(), &StreamLoader::streamLoadFinished);
        int rowsBeforeAnswer = 0;
        QObject::connect(&delegate->streams(), &StreamLoader::storedPageShown, delegate.get(),
            [&] { rowsBeforeAnswer = finished.isEmpty() ? posts().count() : 0; });
        delegate->awakeFromNib();
        ASSERT_TRUE(finished.wait(15000));
        EXPECT_EQ(finished.first().at(0).toBool(), !offline);
        EXPECT_GE(rowsBeforeAnswer, 5);
        EXPECT_TRUE(waitUntil([&] { return place() == left; }))
            << place().postID.toStdString() << " + " << place().offset;
        const QString status = window().noticeBar()->statusText();
        EXPECT_EQ(status.startsWith(u"Offline: showing posts from "_qs), offline)
            << status.toStdString();
        EXPECT_EQ(status.endsWith(u"Unable to fetch stream."_qs), offline);
        EXPECT_TRUE(alerts.shown().isEmpty());
        EXPECT_LT(clock.elapsed(), 10000);
        delegate->applicationWillTerminate();
    }
    // Another main stream shows its stored page from its top.
    QSignalSpy shown(&delegate->streams(), &StreamLoader::storedPageShown);
    delegate->selectView(3);
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(waitUntil([&] { return !delegate->streams().isCurrentlyLoading(); }));
    EXPECT_EQ(window().listView()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(place().postID, posts().arrangedObject(0)->id());
}

} // namespace
