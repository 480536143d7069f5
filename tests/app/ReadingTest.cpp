// Reading with the keyboard (Page Down and Page Up move the selection by the
// list's height and keep it in sight, Home and End go to the ends, Back
// returns to where the reader was) and with a screen reader (rows and
// controls have names to speak).
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/ComposerPane.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "text/LinedTextView.h"
#include "views/SideBar.h"
#include "views/SideBarButton.h"
#include "views/TimelineListView.h"

#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

using namespace std::chrono_literals;

class ReadingTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
        if (HasFatalFailure())
            return;
        window().resize(420, 600);
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->window()));
        ASSERT_GE(posts().count(), 12) << "a page longer than the window";
    }
    PostsArrayController &posts() const { return *window().listView()->postsController(); }
    TimelineListView *list() const { return window().listView(); }
    int selected() const { return posts().selectionIndex().value_or(-1); }
    bool selectionInSight() const
    {
        QApplication::processEvents();
        const QRect place = list()->visualRect(list()->model()->index(selected(), 0));
        return list()->viewport()->rect().intersects(place);
    }
    void press(Qt::Key key) { QTest::keyClick(delegate->window(), key); }
    // Waits until nothing loads and, when one is named, that stream is shown.
    bool idle(std::optional<StreamKind> kind = std::nullopt) const
    {
        return testsupport::waitUntil(
            [&] {
                return !delegate->streams().isCurrentlyLoading()
                    && (!kind || delegate->streams().currentStreamKind() == *kind);
            },
            15s);
    }
};

TEST_F(ReadingTest, PagesEndsBackTabAndAScreenReaderFindTheirWayThroughTheWindow)
{
    press(Qt::Key_Home);
    EXPECT_EQ(selected(), 0);
    press(Qt::Key_PageDown);
    const int afterOnePage = selected();
    EXPECT_GT(afterOnePage, 1) << "a page is more than one row";
    EXPECT_LT(afterOnePage, posts().count() - 1);
    EXPECT_TRUE(selectionInSight());
    press(Qt::Key_PageDown);
    EXPECT_GT(selected(), afterOnePage);
    EXPECT_TRUE(selectionInSight());

    press(Qt::Key_End);
    EXPECT_EQ(selected(), posts().count() - 1);
    EXPECT_TRUE(selectionInSight());
    EXPECT_GT(list()->verticalScrollBar()->value(), 0);
    press(Qt::Key_PageDown);
    EXPECT_EQ(selected(), posts().count() - 1) << "the last post stays selected";

    // Up from the first row in sight scrolls the row above into sight.
    const int firstInSight = list()->indexAt(QPoint(1, 1)).row();
    ASSERT_GT(firstInSight, 0);
    while (selected() >= firstInSight) {
        press(Qt::Key_Up);
        ASSERT_TRUE(selectionInSight()) << "row " << selected();
    }
    EXPECT_EQ(selected(), firstInSight - 1);

    press(Qt::Key_PageUp);
    EXPECT_LT(selected(), posts().count() - 1);
    EXPECT_TRUE(selectionInSight());
    press(Qt::Key_Home);
    EXPECT_EQ(selected(), 0);
    EXPECT_TRUE(selectionInSight());
    press(Qt::Key_PageUp);
    EXPECT_EQ(selected(), 0);

    // Back returns to the scroll place and selected post of the earlier stream.
    QScrollBar *bar = list()->verticalScrollBar();
    // Once nothing loads and the whole page is laid out (a busy machine may
    // still be finishing either), the reader scrolls part of the way into a row.
    const auto scrollTo = [&](int part, int offset) {
        return testsupport::waitUntil(
            [&] {
                const QModelIndex last = list()->model()->index(posts().count() - 1, 0);
                if (delegate->streams().isCurrentlyLoading() || !list()->visualRect(last).isValid()
                    || bar->maximum() < 400)
                    return false;
                bar->setValue(bar->maximum() / part + offset);
                return true;
            },
            15s);
    };
    // Each step waits for the one before, then for its stream to show.
    const auto step = [&](const std::function<void()> &action, StreamKind kind) {
        return idle() && (action(), true) && idle(kind);
    };
    const auto hashtagAndBack = [&] {
        return step([&] { delegate->streams().showHashtag(u"#coffee"_qs); }, StreamKind::Hashtag)
            && step([&] { delegate->streams().goBack(); }, StreamKind::Personal);
    };

    ASSERT_TRUE(scrollTo(2, 7));
    const int row = list()->indexAt(list()->viewport()->rect().center()).row();
    posts().setSelectionIndex(row);
    const QString selectedID = posts().arrangedObject(row)->id();
    const TimelineListView::ReadingPlace place = list()->readingPlace();
    ASSERT_FALSE(place.postID.isEmpty());
    ASSERT_TRUE(hashtagAndBack());
    ASSERT_TRUE(posts().selectionIndex().has_value());
    EXPECT_EQ(posts().arrangedObject(selected())->id(), selectedID);
    EXPECT_TRUE(testsupport::waitUntil([&] { return list()->readingPlace() == place; }, 3s))
        << "back at " << place.postID.toStdString() << " + " << place.offset << ", now "
        << list()->readingPlace().postID.toStdString() << " + " << list()->readingPlace().offset;
    EXPECT_TRUE(selectionInSight());

    // Switching main streams is no way back: nothing is carried over, and
    // the stream opens at its top.
    ASSERT_GT(bar->value(), 0);
    ASSERT_TRUE(step([&] { delegate->selectView(3); }, StreamKind::Global));
    EXPECT_TRUE(testsupport::waitUntil([&] { return bar->value() == 0; }, 3s));
    ASSERT_TRUE(step([&] { delegate->selectView(0); }, StreamKind::Personal));
    EXPECT_NE(posts().selectionIndex().value_or(-1), row);

    // With nothing selected the scroll place still comes back.
    ASSERT_TRUE(scrollTo(3, 11));
    posts().clearSelection();
    const TimelineListView::ReadingPlace unselected = list()->readingPlace();
    ASSERT_FALSE(unselected.postID.isEmpty());
    ASSERT_TRUE(hashtagAndBack());
    EXPECT_TRUE(testsupport::waitUntil([&] { return list()->readingPlace() == unselected; }, 3s))
        << "back at " << unselected.postID.toStdString() << " + " << unselected.offset;
    EXPECT_FALSE(posts().selectionIndex().has_value());

    // An older page comes back too, with its post selected there.
    ASSERT_TRUE(step([&] { delegate->selectView(3); }, StreamKind::Global));
    const QString newest = posts().arrangedObject(0)->id();
    ASSERT_TRUE(scrollTo(1, 0));
    ASSERT_TRUE(step([&] { delegate->streams().loadOlderPosts(); }, StreamKind::Global));
    ASSERT_FALSE(posts().rowOfId(newest)) << "the older page replaces the newest";
    EXPECT_TRUE(testsupport::waitUntil([&] { return bar->value() == 0; }, 3s))
        << "the older page opens at its top";
    posts().setSelectionIndex(posts().count() - 1);
    const QString oldest = posts().selectedObject()->id();
    ASSERT_TRUE(step([&] { delegate->streams().showHashtag(u"#coffee"_qs); }, StreamKind::Hashtag));
    ASSERT_TRUE(step([&] { delegate->streams().goBack(); }, StreamKind::Global));
    ASSERT_TRUE(posts().selectedObject());
    EXPECT_EQ(posts().selectedObject()->id(), oldest);
    EXPECT_TRUE(testsupport::waitUntil([&] { return selectionInSight(); }, 3s));
    ASSERT_TRUE(step([&] { delegate->selectView(0); }, StreamKind::Personal));

    // Rows and controls have names a screen reader speaks.
    QAccessibleInterface *listAccess = QAccessible::queryAccessibleInterface(list());
    ASSERT_TRUE(listAccess);
    EXPECT_EQ(listAccess->text(QAccessible::Name), u"Posts"_qs);
    ASSERT_GE(listAccess->childCount(), posts().count());
    // The first post of the page: who, when, what.
    const PostRecord first
        = list()->model()->index(0, 0).data(PostsModel::RecordRole).value<PostRecord>();
    QString spoken;
    for (int i = 0; i < listAccess->childCount() && spoken.isEmpty(); ++i) {
        const QString name = listAccess->child(i)->text(QAccessible::Name);
        if (name.contains(first.text()))
            spoken = name;
    }
    ASSERT_FALSE(spoken.isEmpty()) << "no row speaks the first post";
    EXPECT_TRUE(spoken.startsWith(u"@"_qs + first.username())
        || spoken.startsWith(first.name() + u" (@"_qs + first.username()))
        << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(u" ago: "_qs) || spoken.contains(u"now"_qs))
        << spoken.toStdString();

    // Every button of the window and the composer has a name.
    delegate->newPost();
    QStringList unnamed;
    for (QAbstractButton *button : window().findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(delegate->window()))
            continue;
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(button);
        if (!access || access->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << button->objectName() + u"/"_qs
                    + QString::fromLatin1(button->metaObject()->className());
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(u", "_qs).toStdString();
    QAccessibleInterface *composer = QAccessible::queryAccessibleInterface(window().composer());
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->text(QAccessible::Name), u"Post text"_qs);

    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    QTest::keyClicks(window().composer(), u"where Tab goes"_qs);
    SideBar *sideBar = window().sideBar();
    ASSERT_EQ(sideBar->numberOfRows(), 5);
    // The streams are one group, as radio buttons are: Tab stops at the
    // shown one and the arrow keys move inside. Back is hidden on a main
    // stream, so Tab passes it by.
    const auto tool = [this](const QString &name) -> QWidget * {
        for (QToolButton *button : window().findChildren<QToolButton *>())
            if (button->accessibleName() == name)
                return button;
        return nullptr;
    };
    const QList<QWidget *> expected { sideBar->cellForItem(0), tool(u"Refresh"_qs),
        tool(u"New Post"_qs), window().composer(), window().composerPane()->postButton(), list(),
        sideBar->cellForItem(0) };
    ASSERT_FALSE(expected.contains(nullptr));

    sideBar->cellForItem(0)->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (qsizetype step = 0; step < expected.size(); ++step) {
        QWidget *focus = QApplication::focusWidget();
        QAccessibleInterface *access
            = focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
        visited << (access ? access->text(QAccessible::Name) : u"(none)"_qs);
        EXPECT_EQ(focus, expected.at(step)) << visited.join(u" → "_qs).toStdString();
        if (!focus)
            break;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(window().composer()->text(), u"where Tab goes"_qs)
        << "Tab in the composer moves on and writes nothing";

    // Down moves to the next stream, and Space shows the stream in focus.
    ASSERT_TRUE(idle());
    sideBar->cellForItem(2)->setFocus(); // as the arrow keys move it
    QTest::keyClick(sideBar->cellForItem(2), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), sideBar->cellForItem(3));
    ASSERT_TRUE(idle());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(idle(StreamKind::Global));
    EXPECT_EQ(sideBar->selectedRow(), 3);

    // From the stream shown the arrows show the next one, as radio buttons
    // choose; a press while that loads leaves the bar on what is shown.
    QTest::keyClick(sideBar->cellForItem(3), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), sideBar->cellForItem(4));
    EXPECT_TRUE(delegate->streams().isCurrentlyLoading());
    QTest::keyClick(sideBar->cellForItem(4), Qt::Key_Up);
    EXPECT_TRUE(idle(StreamKind::Starred));
    EXPECT_EQ(sideBar->selectedRow(), 4) << "the bar shows the stream on screen";

    // Tab comes back into the bar on the stream shown, either way round.
    list()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), sideBar->cellForItem(4));
    tool(u"Refresh"_qs)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(tool(u"Refresh"_qs), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), sideBar->cellForItem(4));
    QTest::keyClick(sideBar->cellForItem(4), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), tool(u"Refresh"_qs));
}

} // namespace
