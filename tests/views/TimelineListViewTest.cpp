// The timeline list in a window on the offscreen platform: the selected
// row's buttons, reset and reload, the right click, clicks on marked text,
// the item menu, and pages from empty to 200 very long posts.
#include "TimelineListFixture.h"

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "text/LinkOpener.h"
#include "text/LinkProbe.h"
#include "text/TextClick.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using Part = TimelineRowLayout::Part;
using namespace timelinetest;
using testsupport::waitUntil;

TEST_F(TimelineListViewTest, RowsSpanTheListAndFollowTheHeightRule)
{
    show(posts(5, [](int i) {
        return i == 2 ? QStringLiteral("many words ").repeated(40) : QStringLiteral("hi");
    }));
    const int width = viewport()->width();
    for (int row = 0; row < 5; ++row) {
        const QRect rect = m_list->visualRect(m_posts.arranged()->index(row, 0));
        EXPECT_EQ(rect.width(), width);
        EXPECT_EQ(rect.height(),
            TimelineRowMetrics::rowHeight(m_posts.arrangedObject(row)->attributedString, width))
            << "row " << row;
    }

    // A wider window measures again at its width.
    const int tall = m_list->visualRect(m_posts.arranged()->index(2, 0)).height();
    m_window->resize(900, 640);
    ASSERT_TRUE(waitUntil(
        [&] { return m_list->visualRect(m_posts.arranged()->index(2, 0)).height() < tall; }));
    EXPECT_EQ(m_list->visualRect(m_posts.arranged()->index(2, 0)).height(),
        TimelineRowMetrics::rowHeight(
            m_posts.arrangedObject(2)->attributedString, viewport()->width()));
}

TEST_F(TimelineListViewTest, ARowsButtonsActOnlyWhereTheRowShowsThem)
{
    // Row 0 is the signed-in user's own post. Each click is made where the
    // part lies on a row that shows its buttons.
    const struct {
        const char *what;
        int selected;
        bool reset;
        int row;
        Part part;
        QStringList posted;
        int selectedAfter;
    } cases[] = {
        { "the selected row's reply", 1, false, 1, Part::Reply, { nf::reply }, 1 },
        { "its quote", 1, false, 1, Part::Quote, { nf::quote }, 1 },
        { "its conversation", 1, false, 1, Part::Conversation, { nf::conversation }, 1 },
        { "an avatar selects, then asks", 0, false, 2, Part::Avatar, { nf::userInfo }, 2 },
        { "an unselected row has no buttons", 0, false, 2, Part::Reply, {}, 2 },
        { "no reply to one's own post", 0, false, 0, Part::Reply, {}, 0 },
        { "no quote of it", 0, false, 0, Part::Quote, {}, 0 },
        { "its conversation all the same", 0, false, 0, Part::Conversation, { nf::conversation },
            0 },
        { "reset rows look unselected", 1, true, 1, Part::Reply, {}, 1 },
    };
    QList<PostRecord> records = posts(4);
    QVariantMap user = records[0].post.value(QStringLiteral("user")).toMap();
    user.insert(QStringLiteral("id"), QStringLiteral("42"));
    records[0].post.insert(QStringLiteral("user"), user);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        show(records);
        m_posts.setSelectionIndex(c.selected);
        if (c.reset)
            m_list->resetVisibleRows();
        EXPECT_EQ(layoutOf(c.selected).showsControls, !c.reset);
        EXPECT_EQ(layoutOf(c.selected).replyAndQuoteEnabled, c.selected != 0);
        const QPoint at
            = TimelineRowLayout::compute(m_list->visualRect(m_posts.arranged()->index(c.row, 0)),
                viewport()->width(), true, true)
                  .rectOf(c.part)
                  .center()
                  .toPoint();
        m_posted.clear();
        m_selectedWhenPosted.clear();
        click(at);
        EXPECT_EQ(m_posted, c.posted);
        EXPECT_EQ(selectedRows(), QList<int> { c.selectedAfter });
        for (int selected : m_selectedWhenPosted)
            EXPECT_EQ(selected, c.selectedAfter) << "the handler reads the selected post";
    }
    // After a reset a changed selection shows the buttons again.
    m_posts.setSelectionIndex(2);
    EXPECT_TRUE(layoutOf(2).showsControls);
}

TEST_F(TimelineListViewTest, AButtonActsOnlyWhenLetGoOverIt)
{
    show(posts(3));
    m_posts.setSelectionIndex(0);
    QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(0, Part::Reply));
    QTest::mouseMove(viewport(), centreOf(0, Part::Text));
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(0, Part::Text));
    EXPECT_TRUE(m_posted.isEmpty());

    QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(0, Part::Quote));
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(0, Part::Quote));
    EXPECT_EQ(m_posted, QStringList { nf::quote });
}

TEST_F(TimelineListViewTest, ReloadKeepsTheSelectedRowSelectedAloneAndVisible)
{
    show(posts(200));
    m_posts.setSelectionIndex(150);
    m_posts.selectionModel()->select(m_posts.arranged()->index(10, 0), QItemSelectionModel::Select);
    m_list->scrollToFirstRow();
    m_list->resetVisibleRows();
    ASSERT_FALSE(rowIsVisible(150));

    m_list->reloadTableView();
    EXPECT_EQ(selectedRows(), QList<int> { 150 });
    // Rows are placed in batches between events; the selected row comes into
    // view once its batch is laid out.
    EXPECT_TRUE(waitUntil([&] { return rowIsVisible(150); }, std::chrono::seconds(5)));
    EXPECT_FALSE(m_list->controlsHidden());
    EXPECT_TRUE(layoutOf(150).showsControls) << "the reloaded selected row shows its controls";
    click(150, Part::Conversation);
    EXPECT_EQ(m_posted, QStringList { nf::conversation });
}

TEST_F(TimelineListViewTest, TheReadersOwnScrollWinsOverARowWaitingForItsBatch)
{
    show(posts(200));
    m_posts.setSelectionIndex(150);
    m_list->scrollToFirstRow();
    m_list->reloadTableView();
    ASSERT_FALSE(rowIsVisible(150)) << "the batched layout has not reached the row yet";
    m_list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    const int last = m_posts.arranged()->rowCount() - 1;
    ASSERT_TRUE(waitUntil(
        [&] { return m_list->visualRect(m_posts.arranged()->index(last, 0)).isValid(); }));
    EXPECT_TRUE(rowIsVisible(0));
    EXPECT_FALSE(rowIsVisible(150));
    EXPECT_EQ(selectedRows(), QList<int> { 150 });
}

TEST_F(TimelineListViewTest, AReadingPlaceComesBackOnceTheBatchedLayoutReachesIt)
{
    const QList<PostRecord> records = posts(200);
    show(records);
    const int last = m_posts.arranged()->rowCount() - 1;
    ASSERT_TRUE(waitUntil(
        [&] { return m_list->visualRect(m_posts.arranged()->index(last, 0)).isValid(); }));
    QScrollBar *bar = m_list->verticalScrollBar();
    bar->setValue(bar->maximum() * 2 / 3 + 13); // part of the way into a row
    const TimelineListView::ReadingPlace place = m_list->readingPlace();
    ASSERT_FALSE(place.postID.isEmpty());
    ASSERT_GT(place.offset, 0);

    // The same posts again: the list starts over from the top, batch by batch.
    m_posts.setContent(records);
    QApplication::processEvents();
    m_list->restoreReadingPlace(place);
    EXPECT_TRUE(waitUntil([&] { return m_list->readingPlace() == place; }))
        << m_list->readingPlace().postID.toStdString() << " + " << m_list->readingPlace().offset;

    // The reader's own scrolling wins over a place still waiting.
    m_posts.setContent(records);
    QApplication::processEvents();
    m_list->restoreReadingPlace(place);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    ASSERT_TRUE(waitUntil(
        [&] { return m_list->visualRect(m_posts.arranged()->index(last, 0)).isValid(); }));
    EXPECT_EQ(bar->value(), 0);

    auto laidOut = [&] {
        return waitUntil(
            [&] { return m_list->visualRect(m_posts.arranged()->index(last, 0)).isValid(); });
    };
    // So does a stream shown from its top.
    m_posts.setContent(records);
    QApplication::processEvents();
    m_list->restoreReadingPlace(place);
    m_list->scrollToFirstRow();
    ASSERT_TRUE(laidOut());
    EXPECT_EQ(bar->value(), 0);

    // A post that is gone leaves the scrolling alone, and gives up the place
    // asked for before.
    m_posts.setContent(records);
    QApplication::processEvents();
    m_list->restoreReadingPlace(place);
    m_list->restoreReadingPlace({ QStringLiteral("no-such-post"), 5 });
    ASSERT_TRUE(laidOut());
    EXPECT_EQ(bar->value(), 0);

    // A place past the end of a page laid out in full goes as far as it can
    // and then lets go: a later layout does not pull the list back there.
    const QString nearEnd = m_posts.arrangedObject(last - 2)->id();
    m_list->restoreReadingPlace({ nearEnd, 1000000 });
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(0);
    m_list->resize(m_list->width() - 30, m_list->height());
    m_list->doItemsLayout(); // the layout the resize asks for, started now
    ASSERT_TRUE(laidOut());
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(TimelineListViewTest, RowsAreWhiteOnALightPaletteAndThePalettesOwnBaseOnADarkOne)
{
    EXPECT_EQ(m_list->palette().color(QPalette::Base), QColor(Qt::white));
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    m_window->setPalette(dark);
    EXPECT_EQ(m_list->palette().color(QPalette::Base), QColor(0x24, 0x24, 0x24));
    m_window->setPalette(QPalette(QColor(0xef, 0xef, 0xef)));
    EXPECT_EQ(m_list->palette().color(QPalette::Base), QColor(Qt::white));

    // A list made alone and put into a dark window takes the dark base too.
    m_window->setPalette(dark);
    auto *later = new TimelineListView;
    later->setParent(m_window.get());
    EXPECT_EQ(later->palette().color(QPalette::Base), QColor(0x24, 0x24, 0x24));
}

TEST_F(TimelineListViewTest, ReloadMeasuresChangedPostsAgain)
{
    show(posts(3));
    m_posts.setSelectionIndex(1);
    const QModelIndex second = m_posts.arranged()->index(1, 0);
    const int before = m_list->visualRect(second).height();

    PostRecord longer = *m_posts.arrangedObject(1);
    longer.attributedString
        = PostTextStyling::styledText(QStringLiteral("longer text ").repeated(40), 0);
    m_posts.model()->replaceRecord(m_posts.arranged()->mapToSource(second).row(), longer);
    m_list->reloadTableView();
    EXPECT_GT(m_list->visualRect(m_posts.arranged()->index(1, 0)).height(), before);
    EXPECT_EQ(selectedRows(), QList<int> { 1 });
}

TEST_F(TimelineListViewTest, RightClickSelectsTheRowUnderThePointerAloneThenShowsTheMenu)
{
    show(posts(6));
    QMenu menu;
    menu.addAction(QStringLiteral("Star Post"));
    QSignalSpy shown(&menu, &QMenu::aboutToShow);
    m_list->setContextMenu(&menu);

    m_posts.setSelectionIndex(0);
    m_posts.selectionModel()->select(m_posts.arranged()->index(4, 0), QItemSelectionModel::Select);
    ASSERT_EQ(selectedRows(), (QList<int> { 0, 4 }));

    int selectedWhenShown = -2;
    QObject::connect(&menu, &QMenu::aboutToShow, &m_context,
        [&] { selectedWhenShown = m_posts.selectionIndex().value_or(-1); });
    const QPoint onRowTwo = centreOf(2, Part::Text);
    rightClick(onRowTwo);
    EXPECT_EQ(selectedRows(), QList<int> { 2 });
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(selectedWhenShown, 2);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(menu.geometry().contains(viewport()->mapToGlobal(onRowTwo) + QPoint(2, 2)));
    menu.close();
    EXPECT_TRUE(m_posted.isEmpty()) << "a right click on text does not follow the link rules";
}

TEST_F(TimelineListViewTest, RightClickBelowTheLastRowShowsNoMenu)
{
    show(posts(2));
    QMenu menu;
    menu.addAction(QStringLiteral("Copy Post"));
    m_list->setContextMenu(&menu);
    m_posts.setSelectionIndex(1);
    rightClick(QPoint(100, viewport()->height() - 10));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(selectedRows(), QList<int> { 1 });
}

TEST_F(TimelineListViewTest, ClickOnAHashtagSelectsTheRowThenLoadsTheTag)
{
    show({ post({ .id = QStringLiteral("a"), .text = QStringLiteral("first post") }),
        post({ .id = QStringLiteral("b"),
            .text = QStringLiteral("read about #velto today"),
            .minutesAgo = 3 }) });
    m_posts.setSelectionIndex(0);
    const auto onTag = pointOnText(1, [](const ClickActions &a) { return a.hashtag.has_value(); });
    ASSERT_TRUE(onTag);
    click(*onTag);
    EXPECT_EQ(m_posted, QStringList { nf::loadHash });
    EXPECT_EQ(m_selectedWhenPosted, QList<int> { 1 })
        << "the row was selected before the tag was loaded";
    EXPECT_EQ(Preferences::standard().value(prefs::currentHashtag), QStringLiteral("#velto"));
}

TEST_F(TimelineListViewTest, ClickOnALinkOpensItAndOnPlainTextOnlySelects)
{
    testsupport::RecordingOpener opener;
    show({ post({ .id = QStringLiteral("a"),
        .text = QStringLiteral("go to example.com/page for @amy") }) });
    const auto onLink = pointOnText(0, [](const ClickActions &a) { return a.link.has_value(); });
    const auto onMention = pointOnText(0, [](const ClickActions &a) { return a.user.has_value(); });
    const auto onPlain = pointOnText(0, [](const ClickActions &a) { return a.isEmpty(); });
    ASSERT_TRUE(onLink && onMention && onPlain);

    click(*onPlain);
    EXPECT_TRUE(m_posted.isEmpty());
    EXPECT_EQ(selectedRows(), QList<int> { 0 });
    EXPECT_TRUE(opener.opened().isEmpty());

    click(*onLink);
    // A web link is probed first, as in the text views: an image gets the preview.
    LinkProbe *probe = m_list->linkOpener()->linkProbe();
    ASSERT_TRUE(probe->isProbing());
    EXPECT_EQ(probe->url(), QUrl(QStringLiteral("http://example.com/page")));
    EXPECT_TRUE(opener.opened().isEmpty());
    click(*onMention);
    EXPECT_EQ(m_posted, QStringList { nf::loadUser });
    EXPECT_EQ(Preferences::standard().value(prefs::currentUser), QStringLiteral("@amy"));
}

TEST_F(TimelineListViewTest, DoubleClickOnARowIsReportedButNotOnItsButtons)
{
    show(posts(4));
    QSignalSpy doubled(m_list, &TimelineListView::rowDoubleClicked);
    const QPoint onText = centreOf(2, Part::Name);
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, onText);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, onText);
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, onText);
    ASSERT_EQ(doubled.count(), 1);
    EXPECT_EQ(doubled.first().first().toInt(), 2);
    EXPECT_EQ(selectedRows(), QList<int> { 2 });

    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, Part::Reply));
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, Part::Reply));
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, Part::Reply));
    EXPECT_EQ(doubled.count(), 1);
    EXPECT_EQ(m_posted.count(nf::reply), 2)
        << "a quick second click is another click of the button: "
        << m_posted.join(QLatin1Char(',')).toStdString();
}

TEST_F(TimelineListViewTest, ActionButtonShowsTheItemMenuAboveIt)
{
    show(posts(3));
    QMenu menu;
    menu.addAction(QStringLiteral("Copy Link to Post"));
    menu.addAction(QStringLiteral("Open Post in Browser"));
    m_list->setItemMenu(&menu);
    m_posts.setSelectionIndex(1);
    click(1, Part::Action);
    ASSERT_TRUE(menu.isVisible());
    const QRect button = layoutOf(1).action.toAlignedRect();
    const QPoint buttonTop = viewport()->mapToGlobal(button.topLeft());
    EXPECT_EQ(menu.geometry().bottom() + 1, buttonTop.y());
    EXPECT_EQ(menu.geometry().left(), buttonTop.x());
    menu.close();
    EXPECT_TRUE(m_posted.isEmpty());
}

TEST_F(TimelineListViewTest, EmptyAndSingleLists)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Star Post"));
    m_list->setContextMenu(&menu);
    m_list->setItemMenu(&menu);

    show({});
    m_list->reloadTableView();
    m_list->resetVisibleRows();
    click(QPoint(100, 30));
    rightClick(QPoint(100, 30));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_FALSE(m_list->selectedRow());
    EXPECT_FALSE(m_list->grab().isNull());

    show(posts(1));
    click(0, Part::Text);
    EXPECT_EQ(m_list->selectedRow(), 0);
    m_list->reloadTableView();
    EXPECT_EQ(m_list->selectedRow(), 0);

    // The post goes away under a selection: nothing is left selected.
    show({});
    m_list->reloadTableView();
    EXPECT_FALSE(m_list->selectedRow());
    EXPECT_TRUE(m_posted.isEmpty());
}

TEST_F(TimelineListViewTest, TwoHundredVeryLongPostsAtTheNarrowestAndWidestWindow)
{
    show(posts(200, [](int i) {
        QString text = QStringLiteral("#long%1 ").arg(i);
        while (text.size() < 10000)
            text
                += QStringLiteral("lorem ipsum dolor @amy http://example.com/%1 ").arg(text.size());
        return text.left(10000);
    }));
    m_posts.setSelectionIndex(199);

    for (const QSize size : { QSize(1, 1), QSize(2600, 1400), QSize(420, 640) }) {
        m_window->resize(size);
        const int width = viewport()->width();
        EXPECT_GE(m_list->width(), TimelineListView::minimumListWidth);
        for (int row : { 0, 100, 199 }) {
            const QModelIndex index = m_posts.arranged()->index(row, 0);
            const int expected = TimelineRowMetrics::rowHeight(
                m_posts.arrangedObject(row)->attributedString, width);
            ASSERT_TRUE(waitUntil([&] { return m_list->visualRect(index).height() == expected; },
                std::chrono::seconds(20)))
                << "row " << row << " at width " << width;
        }
        m_list->reloadTableView();
        EXPECT_TRUE(waitUntil([&] { return rowIsVisible(199); }, std::chrono::seconds(20)));
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum() / 2);
        EXPECT_FALSE(m_list->grab().isNull());
    }
}
