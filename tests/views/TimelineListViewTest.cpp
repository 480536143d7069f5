// The timeline list in a window on the offscreen platform: the selected
// row's buttons, reset and reload, the right click, clicks on marked text,
// the item menu, and pages from empty to 200 very long posts.
#include "TimelineListFixture.h"

#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>

using namespace timelinetest;

TEST_F(TimelineListViewTest, ARowsButtonsActOnlyWhereTheRowShowsThemAndWhenLetGoOverThem)
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
        m_posted.clear();
        m_selectedWhenPosted.clear();
        click(TimelineRowLayout::compute(rectOf(c.row), viewport()->width(), true, true)
                  .rectOf(c.part)
                  .center()
                  .toPoint());
        EXPECT_EQ(m_posted, c.posted);
        EXPECT_EQ(selectedRows(), QList<int> { c.selectedAfter });
        for (int selected : m_selectedWhenPosted)
            EXPECT_EQ(selected, c.selectedAfter) << "the handler reads the selected post";
    }
    // After a reset a changed selection shows the buttons again.
    m_posts.setSelectionIndex(2);
    EXPECT_TRUE(layoutOf(2).showsControls);

    // A press on a button let go elsewhere does nothing.
    m_posted.clear();
    QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, Part::Reply));
    QTest::mouseMove(viewport(), centreOf(2, Part::Text));
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, Part::Text));
    EXPECT_TRUE(m_posted.isEmpty());
}

TEST_F(TimelineListViewTest, ReloadKeepsTheSelectedRowAloneAndVisibleUnlessTheReaderScrolls)
{
    show(posts(200));
    m_posts.setSelectionIndex(150);
    m_posts.selectionModel()->select(m_posts.arranged()->index(10, 0), QItemSelectionModel::Select);
    m_list->scrollToFirstRow();
    m_list->resetVisibleRows();
    m_list->reloadTableView();
    EXPECT_EQ(selectedRows(), QList<int> { 150 });
    // Rows are placed in batches between events; the selected row comes into
    // view once its batch is laid out, with its controls.
    EXPECT_TRUE(waitUntil([&] { return rowIsVisible(150); }));
    EXPECT_TRUE(layoutOf(150).showsControls);
    click(150, Part::Conversation);
    EXPECT_EQ(m_posted, QStringList { nf::conversation });

    // The reader's own scroll wins over a row waiting for its batch.
    m_list->scrollToFirstRow();
    m_list->reloadTableView();
    ASSERT_FALSE(rowIsVisible(150)) << "the batched layout has not reached the row yet";
    m_list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    ASSERT_TRUE(laidOut());
    EXPECT_TRUE(rowIsVisible(0) && !rowIsVisible(150));

    // A changed post is measured again.
    const int before = rectOf(1).height();
    PostRecord longer = *m_posts.arrangedObject(1);
    longer.attributedString
        = PostTextStyling::styledText(QStringLiteral("longer text ").repeated(40), 0);
    m_posts.model()->replaceRecord(
        m_posts.arranged()->mapToSource(m_posts.arranged()->index(1, 0)).row(), longer);
    m_list->reloadTableView();
    EXPECT_GT(rectOf(1).height(), before);
    EXPECT_EQ(selectedRows(), QList<int> { 150 });
}

TEST_F(TimelineListViewTest, AReadingPlaceComesBackOnceTheBatchedLayoutReachesIt)
{
    const QList<PostRecord> records = posts(200);
    show(records);
    ASSERT_TRUE(laidOut());
    QScrollBar *bar = m_list->verticalScrollBar();
    bar->setValue(bar->maximum() * 2 / 3 + 13); // part of the way into a row
    const TimelineListView::ReadingPlace place = m_list->readingPlace();
    ASSERT_GT(place.offset, 0);
    // The same posts again: the list starts over from the top, batch by batch.
    const auto again = [&] {
        m_posts.setContent(records);
        QApplication::processEvents();
        m_list->restoreReadingPlace(place);
    };
    again();
    EXPECT_TRUE(waitUntil([&] { return m_list->readingPlace() == place; }))
        << m_list->readingPlace().postID.toStdString() << " + " << m_list->readingPlace().offset;

    // The reader's own scrolling wins over a place still waiting, so does a
    // stream shown from its top, and a post that is gone leaves the scrolling
    // alone and gives up the place asked for before.
    const std::function<void()> interruptions[] = {
        [&] { bar->triggerAction(QAbstractSlider::SliderToMinimum); },
        [&] { m_list->scrollToFirstRow(); },
        [&] {
            m_list->restoreReadingPlace({ QStringLiteral("no-such-post"), 5 });
        },
    };
    for (const auto &interrupt : interruptions) {
        again();
        interrupt();
        ASSERT_TRUE(laidOut());
        EXPECT_EQ(bar->value(), 0);
    }

    // A place past the end of a page laid out in full goes as far as it can
    // and then lets go: a later layout does not pull the list back there.
    m_list->restoreReadingPlace({ m_posts.arrangedObject(197)->id(), 1000000 });
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(0);
    m_list->resize(m_list->width() - 30, m_list->height());
    m_list->doItemsLayout();
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

TEST_F(TimelineListViewTest, RightClickSelectsTheRowUnderThePointerAloneThenShowsTheMenu)
{
    show(posts(6));
    QMenu menu;
    menu.addAction(QStringLiteral("Star Post"));
    m_list->setContextMenu(&menu);
    m_posts.setSelectionIndex(0);
    m_posts.selectionModel()->select(m_posts.arranged()->index(4, 0), QItemSelectionModel::Select);
    int selectedWhenShown = -2;
    QObject::connect(&menu, &QMenu::aboutToShow, &m_context,
        [&] { selectedWhenShown = m_posts.selectionIndex().value_or(-1); });
    const QPoint onRowTwo = centreOf(2, Part::Text);
    rightClick(onRowTwo);
    EXPECT_EQ(selectedRows(), QList<int> { 2 });
    EXPECT_EQ(selectedWhenShown, 2);
    EXPECT_TRUE(menu.geometry().contains(viewport()->mapToGlobal(onRowTwo) + QPoint(2, 2)));
    menu.close();
    EXPECT_TRUE(m_posted.isEmpty()) << "a right click on text does not follow the link rules";

    // Below the last row there is no menu.
    show(posts(2));
    m_posts.setSelectionIndex(1);
    rightClick(QPoint(100, viewport()->height() - 10));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(selectedRows(), QList<int> { 1 });
}

TEST_F(TimelineListViewTest, AClickOnAMarkSelectsTheRowThenLoadsItsStreamAndPlainTextOnlySelects)
{
    const struct {
        const char *what;
        std::function<bool(const ClickActions &)> under;
        QStringList posted;
        StringKey key;
        std::optional<QString> stored;
    } cases[] = {
        { "plain text", [](const ClickActions &a) { return a.isEmpty(); }, {},
            prefs::currentHashtag, std::nullopt },
        { "a hashtag", [](const ClickActions &a) { return a.hashtag.has_value(); },
            { nf::loadHash }, prefs::currentHashtag, QStringLiteral("#velto") },
        { "a mention", [](const ClickActions &a) { return a.user.has_value(); }, { nf::loadUser },
            prefs::currentUser, QStringLiteral("@amy") },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        show({ post({ .id = QStringLiteral("a"), .text = QStringLiteral("first post") }),
            post({ .id = QStringLiteral("b"),
                .text = QStringLiteral("read about #velto today with @amy"),
                .minutesAgo = 3 }) });
        m_posts.setSelectionIndex(0);
        m_posted.clear();
        m_selectedWhenPosted.clear();
        const auto at = pointOnText(1, c.under);
        ASSERT_TRUE(at);
        click(*at);
        EXPECT_EQ(m_posted, c.posted);
        EXPECT_EQ(selectedRows(), QList<int> { 1 });
        for (int selected : m_selectedWhenPosted)
            EXPECT_EQ(selected, 1) << "the row was selected before the stream was loaded";
        EXPECT_EQ(Preferences::standard().value(c.key), c.stored);
    }
}

// A double click elsewhere on a row is reported: see the text selection's tests.
TEST_F(TimelineListViewTest, ADoubleClickOnTheSelectedRowsButtonIsTwoClicks)
{
    show(posts(4));
    m_posts.setSelectionIndex(2);
    QSignalSpy doubled(m_list, &TimelineListView::rowDoubleClicked);
    const QPoint at = centreOf(2, Part::Reply);
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(doubled.count(), 0);
    EXPECT_EQ(m_posted.count(nf::reply), 2) << m_posted.join(QLatin1Char(',')).toStdString();
}

TEST_F(TimelineListViewTest, ActionButtonShowsTheItemMenuAboveIt)
{
    show(posts(3));
    QMenu menu;
    menu.addAction(QStringLiteral("Copy Link to Post"));
    m_list->setItemMenu(&menu);
    m_posts.setSelectionIndex(1);
    click(1, Part::Action);
    ASSERT_TRUE(menu.isVisible());
    const QPoint buttonTop = viewport()->mapToGlobal(layoutOf(1).action.toAlignedRect().topLeft());
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
    m_list->reloadTableView();
    EXPECT_EQ(m_list->selectedRow(), 0);
    // The post goes away under a selection: nothing is left selected.
    show({});
    m_list->reloadTableView();
    EXPECT_FALSE(m_list->selectedRow());
    EXPECT_TRUE(m_posted.isEmpty());
}

// Rows span the list and follow the height rule at every width, also for
// 200 very long posts in the narrowest and the widest window.
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
            const int expected = TimelineRowMetrics::rowHeight(
                m_posts.arrangedObject(row)->attributedString, width);
            ASSERT_TRUE(waitUntil(
                [&] { return rectOf(row).height() == expected; }, std::chrono::seconds(20)))
                << "row " << row << " at width " << width;
            EXPECT_EQ(rectOf(row).width(), width);
        }
        m_list->reloadTableView();
        EXPECT_TRUE(waitUntil([&] { return rowIsVisible(199); }, std::chrono::seconds(20)));
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum() / 2);
        EXPECT_FALSE(m_list->grab().isNull());
    }
}
