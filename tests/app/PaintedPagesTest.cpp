// What a user sees over a slow network: every page that loads is painted
// without any input, and a failed load leaves the posts on screen. The
// pictures are taken from what reached the screen (the window's flushed
// backing store), not rendered afresh, so rows that were never painted show.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "views/SideBar.h"
#include "views/TimelineListView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <utility>

namespace {

constexpr int kLatencyMs = 200;

class PaintedPagesTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(kLatencyMs));
        delegate = std::make_unique<AppDelegate>();
    }

    // Waits for the fade to end, then for the screen to show `what` without any input.
    bool painted(const std::function<bool(const QImage &)> &what
        = [](const QImage &shown) { return colourCount(shown) > 20; })
    {
        return testsupport::waitUntil([&] { return window().listOpacity() == 1.0; })
            && testsupport::waitUntil([&] { return what(shownList()); });
    }

    // The list's viewport as it is on the screen.
    QImage shownList() const
    {
        QWidget *viewport = window().listView()->viewport();
        const QPoint origin = viewport->mapTo(delegate->window(), QPoint(0, 0));
        QScreen *screen = window().screen();
        return screen
            ->grabWindow(
                window().winId(), origin.x(), origin.y(), viewport->width(), viewport->height())
            .toImage();
    }

    // Painted rows hold text, avatars and separators: many colours.
    static int colourCount(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return int(colours.size());
    }
};

TEST_F(
    PaintedPagesTest, EveryLoadThatFadesIsPaintedWithoutInputAlsoAfterASideBarClickDuringARefresh)
{
    // One avatar of the first page never finishes: the page still comes,
    // after that avatar's deadline at the latest.
    ASSERT_TRUE(sandbox.injectTrickle(u"/avatars/*"_qs, 1000));
    ASSERT_TRUE(waitForLoad([&] { delegate->awakeFromNib(); }));
    ASSERT_EQ(posts().count(), 20);
    EXPECT_TRUE(painted()) << "the first page is not on the screen";
    const QImage first = shownList();

    // A side-bar stream, a hashtag, back, and an older page: each fades out
    // and in again, and each ends painted.
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }));
    EXPECT_TRUE(painted([&](const QImage &shown) {
        return colourCount(shown) > 20 && shown != first;
    })) << "the global stream is not on the screen";

    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(u"#books"_qs); }));
    EXPECT_TRUE(painted()) << "the hashtag stream is not on the screen";

    ASSERT_TRUE(waitForLoad([&] { delegate->streams().goBack(); }));
    EXPECT_TRUE(painted()) << "the stream gone back to is not on the screen";

    ASSERT_TRUE(waitForLoad([&] { delegate->streams().loadOlderPosts(); }));
    EXPECT_TRUE(painted()) << "the older page is not on the screen";

    // A side-bar click during a refresh ends with the named stream painted.
    SideBar *bar = window().sideBar();
    StreamLoader &streams = delegate->streams();
    for (const int row : { 3, 1, 4, 2, 0 }) {
        // F5, and while its page is on the way a click on another row.
        delegate->commands().trigger(u"refresh"_qs);
        ASSERT_TRUE(testsupport::waitUntil([&] { return streams.isCurrentlyLoading(); }));
        QTest::mouseClick(bar->cellForItem(row), Qt::LeftButton);
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return streams.loadState() == StreamLoader::LoadState::Idle; },
            std::chrono::seconds(20)));
        EXPECT_TRUE(painted()) << "the list is blank after a click on " << row;
        EXPECT_EQ(bar->selectedRow(), sideBarRowForStreamKind(streams.currentStreamKind()))
            << "row " << row;
        // Then the click again, with nothing loading: it is taken.
        ASSERT_TRUE(waitForLoad([&] { QTest::mouseClick(bar->cellForItem(row), Qt::LeftButton); }));
        EXPECT_TRUE(painted());
        EXPECT_EQ(streams.currentStreamKind(), streamKindForSideBarRow(row));
        EXPECT_EQ(bar->selectedRow(), row);
    }
}

TEST_F(PaintedPagesTest, AFailedRefreshOverASlowNetworkKeepsThePostsOnScreen)
{
    Preferences::standard().setValue(prefs::prefsRestoreSelection, true);
    ASSERT_TRUE(waitForLoad([&] { delegate->awakeFromNib(); }));
    posts().setSelectionIndex(2);
    const QString selected = posts().selectedObject()->id();
    const QStringList ids = shownIds();
    // What the screen holds once every avatar is in and it stops changing.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            for (int i = 0; i < posts().count(); ++i)
                if (posts().arrangedObject(i)->theAvatarImage.isNull())
                    return false;
            return true;
        },
        std::chrono::seconds(15)));
    QImage before;
    ASSERT_TRUE(
        painted([&](const QImage &shown) { return std::exchange(before, shown) == shown; }));

    // A refusal (the service down says so in a notice above the list instead).
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream"_qs, 404));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }, false));
    ASSERT_FALSE(alerts.shown().isEmpty());
    EXPECT_EQ(alerts.shown().last().message, u"Unable to fetch stream."_qs);
    EXPECT_EQ(shownIds(), ids);
    ASSERT_NE(posts().selectedObject(), nullptr);
    EXPECT_EQ(posts().selectedObject()->id(), selected);
    EXPECT_TRUE(painted([&](const QImage &shown) { return shown == before; }));

    // A stream switch that the service drops returns to the posts shown.
    ASSERT_TRUE(sandbox.injectFault(
        u"/stream/0/posts/stream/global"_qs, 0, 0, false, /*drop=*/true, /*times=*/3));
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }, false));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    EXPECT_EQ(shownIds(), ids);
    EXPECT_TRUE(painted());
}

} // namespace
