// Pull-to-refresh and load-older on a real list, driven by synthetic wheel
// events: touchpad events with phases and pixel deltas, and mouse-wheel
// notches without phases.
#include "views/RefreshScrollView.h"

#include "TestSupport.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "views/PullHeader.h"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using testsupport::waitUntil;

namespace {

QStringList rows(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("Post %1").arg(i);
    return out;
}

class RefreshScrollViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setThreshold(1);
        m_model.setStringList(rows(100));
        m_list = new QListView;
        m_list->setModel(&m_model);
        m_view = std::make_unique<RefreshScrollView>(m_list);
        m_view->setClock([this] { return m_now; });
        m_view->resize(300, 400);
        m_view->show();
        NotificationBus::defaultCenter().subscribe(
            nf::refresh, &m_context, [this] { ++m_refreshes; });
        NotificationBus::defaultCenter().subscribe(
            nf::loadOlderPosts, &m_context, [this] { ++m_olderRequests; });
        ASSERT_GT(bar()->maximum(), 400) << "the list must be taller than its window";
    }

    void TearDown() override
    {
        m_view.reset();
        Preferences::standard().remove(prefs::prefsRefreshThreshold);
    }

    static void setThreshold(qint64 value)
    {
        Preferences::standard().setValue(prefs::prefsRefreshThreshold, value);
    }

    QScrollBar *bar() const { return m_list->verticalScrollBar(); }

    void wheel(Qt::ScrollPhase phase, QPoint pixels, QPoint angle)
    {
        const QPointF at(100, 100);
        QWheelEvent event(at, m_list->viewport()->mapToGlobal(at), pixels, angle, Qt::NoButton,
            Qt::NoModifier, phase, false);
        QApplication::sendEvent(m_list->viewport(), &event);
    }
    void touch(Qt::ScrollPhase phase, int dy) { wheel(phase, QPoint(0, dy), QPoint(0, dy)); }
    void notches(int count)
    {
        for (int i = 0; i < std::abs(count); ++i)
            wheel(Qt::NoScrollPhase, QPoint(), QPoint(0, count > 0 ? 120 : -120));
    }

    // One-pixel touchpad steps until the list reads `y` or further down.
    void pullTo(int y)
    {
        touch(Qt::ScrollBegin, 0);
        for (int guard = 0; m_view->originY() > y && guard < 5000; ++guard)
            touch(Qt::ScrollUpdate, 1);
    }
    // One-pixel steps up until the list reads past `y`.
    void pushPast(int y)
    {
        touch(Qt::ScrollBegin, 0);
        for (int guard = 0; m_view->originY() <= y && guard < 5000; ++guard)
            touch(Qt::ScrollUpdate, -1);
    }
    void letGo() { touch(Qt::ScrollEnd, 0); }
    bool settlesAt(int y)
    {
        return waitUntil([&] { return m_view->originY() == y; }, std::chrono::seconds(3));
    }

    bool comesToRest()
    {
        return waitUntil([&] { return m_view->isAtRest(); }, std::chrono::seconds(3));
    }

    void refreshByPull()
    {
        pullTo(-2 * m_view->refreshThreshold());
        letGo();
        ASSERT_TRUE(m_view->isRefreshing());
        ASSERT_TRUE(settlesAt(-pull::headerHeight));
    }

    QObject m_context;
    QStringListModel m_model;
    QListView *m_list = nullptr;
    std::unique_ptr<RefreshScrollView> m_view;
    qint64 m_now = 100000;
    int m_refreshes = 0;
    int m_olderRequests = 0;
};

TEST_F(RefreshScrollViewTest, ThresholdZeroRefreshesFromTwentyPixelsOfPull)
{
    setThreshold(0);
    pullTo(-19);
    ASSERT_EQ(m_view->originY(), -19);
    EXPECT_FALSE(m_view->isOverRefresh() || m_view->refreshArrow()->isTurned());
    EXPECT_TRUE(m_view->refreshHeader()->isVisible());
    letGo();
    EXPECT_EQ(m_refreshes, 0);
    EXPECT_TRUE(settlesAt(0));
    EXPECT_FALSE(m_view->refreshHeader()->isVisible());

    pullTo(-20);
    ASSERT_EQ(m_view->originY(), -20);
    EXPECT_TRUE(m_view->isOverRefresh() && m_view->refreshArrow()->isTurned());
    letGo();
    EXPECT_EQ(m_refreshes, 1);
    // The band opens fully and stays open above the first row, spinning.
    EXPECT_TRUE(settlesAt(-pull::headerHeight));
    ASSERT_TRUE(comesToRest());
    EXPECT_EQ(m_view->originY(), -pull::headerHeight);
    EXPECT_EQ(m_list->y(), pull::headerHeight);
    EXPECT_TRUE(m_view->refreshArrow()->isHidden() && m_view->refreshSpinner()->isSpinning());
}

TEST_F(RefreshScrollViewTest, AChangedThresholdOrPullingBackBeforeLettingGoCancels)
{
    setThreshold(2);
    pullTo(-45);
    EXPECT_FALSE(m_view->isOverRefresh());
    setThreshold(0);
    touch(Qt::ScrollUpdate, 1);
    EXPECT_TRUE(m_view->isOverRefresh() && m_view->refreshArrow()->isTurned());
    setThreshold(2);
    touch(Qt::ScrollUpdate, 1);
    EXPECT_FALSE(m_view->isOverRefresh() || m_view->refreshArrow()->isTurned());
    setThreshold(1);
    pullTo(-50);
    EXPECT_TRUE(m_view->isOverRefresh());
    for (int guard = 0; m_view->originY() < -10 && guard < 5000; ++guard)
        touch(Qt::ScrollUpdate, -1);
    EXPECT_FALSE(m_view->isOverRefresh());
    letGo();
    EXPECT_EQ(m_refreshes, 0);
    EXPECT_TRUE(settlesAt(0));
}

TEST_F(RefreshScrollViewTest, NoSecondRefreshWhileOneRuns)
{
    int blockCalls = 0;
    m_view->setRefreshBlock([&](RefreshScrollView *) { ++blockCalls; });
    refreshByPull();
    EXPECT_EQ(m_refreshes, 1);
    EXPECT_EQ(blockCalls, 1);

    pullTo(-120);
    letGo();
    m_view->startLoading();
    EXPECT_EQ(m_refreshes, 1);
    EXPECT_EQ(blockCalls, 1);
    EXPECT_TRUE(settlesAt(-pull::headerHeight));

    // A short pull while the band is half hidden stays where it was let go.
    for (int guard = 0; m_view->originY() < -30 && guard < 500; ++guard)
        touch(Qt::ScrollUpdate, -1);
    letGo();
    ASSERT_TRUE(comesToRest());
    EXPECT_EQ(m_view->originY(), -30);
}

TEST_F(RefreshScrollViewTest, StopLoadingShowsTheArrowUprightAndSettlesAtTheTop)
{
    QSignalSpy changes(m_view.get(), &RefreshScrollView::isRefreshingChanged);
    refreshByPull();

    m_view->stopLoading();
    ASSERT_EQ(changes.count(), 2);
    EXPECT_TRUE(changes.at(0).at(0).toBool());
    EXPECT_FALSE(changes.at(1).at(0).toBool() || m_view->isRefreshing());
    EXPECT_FALSE(m_view->refreshArrow()->isHidden());
    EXPECT_EQ(m_view->refreshArrow()->rotation(), 0.0);
    EXPECT_FALSE(m_view->refreshSpinner()->isVisible());

    // Sliding back through the threshold is not a pull: the arrow stays up.
    bool everTurned = false;
    EXPECT_TRUE(waitUntil([&] {
        everTurned = everTurned || m_view->refreshArrow()->isTurned() || m_view->isOverRefresh();
        return m_view->originY() == 0;
    }));
    EXPECT_FALSE(everTurned);
    EXPECT_EQ(m_list->y(), 0);
    EXPECT_EQ(m_refreshes, 1);

    // Nothing is left over: the next pull refreshes again.
    refreshByPull();
    EXPECT_EQ(m_refreshes, 2);
}

TEST_F(RefreshScrollViewTest, PushingPastTheBottomAsksForOlderPostsOncePerTwoSeconds)
{
    m_list->scrollToBottom();
    const int last = bar()->maximum();
    ASSERT_EQ(bar()->value(), last);

    // Exactly the threshold is not past it.
    touch(Qt::ScrollBegin, 0);
    for (int guard = 0; m_view->originY() < last + 40 && guard < 5000; ++guard)
        touch(Qt::ScrollUpdate, -1);
    ASSERT_EQ(m_view->originY(), last + 40);
    EXPECT_EQ(m_olderRequests, 0);
    pushPast(last + 40);
    EXPECT_EQ(m_view->originY(), last + 41);
    EXPECT_EQ(m_olderRequests, 1);
    EXPECT_TRUE(m_view->isLoadingOld());
    letGo();
    EXPECT_TRUE(settlesAt(last));

    m_now += 1999;
    pushPast(last + 80);
    letGo();
    EXPECT_EQ(m_olderRequests, 1);
    EXPECT_TRUE(settlesAt(last));

    m_now += 1;
    EXPECT_FALSE(m_view->isLoadingOld());
    pushPast(last + 41);
    EXPECT_EQ(m_olderRequests, 2);
    letGo();
    EXPECT_TRUE(settlesAt(last));

    // The guard can be lifted early.
    m_view->setLoadingOldAllowerd();
    pushPast(last + 41);
    EXPECT_EQ(m_olderRequests, 3);
    letGo();
    EXPECT_EQ(m_refreshes, 0);
}

TEST_F(RefreshScrollViewTest, EmptyListRefreshesAndAsksForOlderPostsButNotWhileRefreshing)
{
    m_model.setStringList({});
    ASSERT_TRUE(waitUntil([&] { return bar()->maximum() == 0; }));

    refreshByPull();
    pushPast(41);
    EXPECT_EQ(m_olderRequests, 0);
    letGo();

    m_view->stopLoading();
    EXPECT_TRUE(settlesAt(0));
    // Pulling down an empty list is a refresh, never a request for more.
    pullTo(-50);
    EXPECT_EQ(m_olderRequests, 0);
    letGo();
    EXPECT_EQ(m_refreshes, 2);
    m_view->stopLoading();
    EXPECT_TRUE(settlesAt(0));
    pushPast(41);
    EXPECT_EQ(m_olderRequests, 1);
}

TEST_F(RefreshScrollViewTest, MouseWheelHeldAtTheTopPullsAndRefreshesWhenItRests)
{
    // A run of notches that reaches the top from below does not pull.
    bar()->setValue(40);
    notches(12);
    EXPECT_EQ(m_view->originY(), 0);
    ASSERT_TRUE(comesToRest());
    EXPECT_EQ(m_refreshes, 0);

    // A new run from the top does.
    notches(2);
    EXPECT_EQ(m_view->originY(), -30);
    EXPECT_FALSE(m_view->isOverRefresh());
    notches(1);
    EXPECT_EQ(m_view->originY(), -45);
    EXPECT_TRUE(m_view->isOverRefresh());
    // Still held: nothing starts until the wheel rests.
    EXPECT_EQ(m_refreshes, 0);
    EXPECT_TRUE(waitUntil([&] { return m_refreshes == 1; }));
    EXPECT_TRUE(m_view->isRefreshing());
    EXPECT_TRUE(settlesAt(-pull::headerHeight));

    // Turning the wheel down while refreshing hides the band before the rows move.
    notches(-1);
    EXPECT_EQ(m_view->originY(), -45);
    EXPECT_EQ(bar()->value(), 0);
}

// Every kind of input ends a pull or a push the same way, also one whose end
// never arrives, and a list that shrinks under the reader is no push at all.
TEST_F(RefreshScrollViewTest, EveryKindOfInputEndsAPullOrAPush)
{
    const QPoint momentum(0, 8);
    const struct {
        const char *what;
        std::function<void()> input;
        int refreshes;
        int older;
    } cases[] = {
        { "the first momentum event lets go",
            [&] {
                pullTo(-50);
                wheel(Qt::ScrollMomentum, momentum, momentum);
                wheel(Qt::ScrollMomentum, momentum, momentum);
                letGo();
            },
            1, 0 },
        { "a touchpad without phases",
            [&] {
                for (int guard = 0; m_view->originY() > -45 && guard < 5000; ++guard)
                    wheel(Qt::NoScrollPhase, QPoint(0, 2), QPoint(0, 2));
            },
            1, 0 },
        { "a pull whose end never arrives", [&] { pullTo(-50); }, 1, 0 },
        { "the mouse wheel past the bottom",
            [&] {
                m_list->scrollToBottom();
                notches(-3);
                EXPECT_EQ(m_view->originY(), bar()->maximum() + 45);
            },
            0, 1 },
        { "a list shrinking under the reader",
            [&] {
                bar()->setValue(bar()->maximum() - 10);
                m_model.removeRows(30, 70);
                ASSERT_TRUE(waitUntil([&] { return bar()->maximum() < 1000; }));
            },
            0, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        m_model.setStringList(rows(100));
        m_view->stopLoading();
        m_view->setLoadingOldAllowerd();
        ASSERT_TRUE(comesToRest());
        bar()->setValue(0);
        m_refreshes = m_olderRequests = 0;
        c.input();
        EXPECT_TRUE(waitUntil([&] { return m_refreshes == c.refreshes; }));
        EXPECT_EQ(m_olderRequests, c.older);
        EXPECT_TRUE(settlesAt(c.refreshes ? -pull::headerHeight
                : c.older                 ? bar()->maximum()
                                          : bar()->value()));
    }
}

TEST_F(RefreshScrollViewTest, RowsScrolledFromElsewhereTakeTheOpenBandWithThem)
{
    refreshByPull();
    // A reload bringing a lower row into view while the refresh runs.
    bar()->setValue(200);
    EXPECT_EQ(m_view->originY(), 200);
    EXPECT_EQ(m_list->y(), 0);
    EXPECT_FALSE(m_view->refreshHeader()->isVisible());
    ASSERT_TRUE(comesToRest());
    EXPECT_EQ(m_view->originY(), 200);
    m_view->stopLoading();
    EXPECT_EQ(m_view->originY(), 200);

    // The same below the last row: more rows arrive while it is pushed.
    m_list->scrollToBottom();
    const int last = bar()->maximum();
    pushPast(last + 20);
    m_model.setStringList(rows(200));
    ASSERT_TRUE(waitUntil([&] { return bar()->maximum() > last; }));
    EXPECT_EQ(m_list->y(), 0);
    EXPECT_EQ(m_view->originY(), bar()->value());
}

TEST_F(RefreshScrollViewTest, OrdinaryScrollingInTheMiddleIsTheListsOwn)
{
    // Stopping a load that was no refresh leaves the list where it is.
    QSignalSpy changes(m_view.get(), &RefreshScrollView::isRefreshingChanged);
    bar()->setValue(150);
    m_view->stopLoading();
    ASSERT_TRUE(comesToRest());
    EXPECT_EQ(m_view->originY(), 150);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(m_view->refreshArrow()->isHidden() || m_view->refreshArrow()->isTurned());

    bar()->setValue(300);
    touch(Qt::ScrollBegin, 0);
    touch(Qt::ScrollUpdate, 25);
    touch(Qt::ScrollUpdate, -60);
    letGo();
    EXPECT_FALSE(m_view->refreshHeader()->isVisible());
    EXPECT_EQ(m_list->y(), 0);
    EXPECT_NE(bar()->value(), 300);
    EXPECT_EQ(m_view->originY(), bar()->value());
    // Sideways scrolling at the top never pulls.
    bar()->setValue(0);
    wheel(Qt::ScrollUpdate, QPoint(40, 5), QPoint(40, 5));
    EXPECT_EQ(m_view->originY(), 0);
    letGo();
    EXPECT_EQ(m_refreshes + m_olderRequests, 0);
}

} // namespace
