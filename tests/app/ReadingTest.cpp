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
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class ReadingTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
        if (HasFatalFailure())
            return;
        delegate->window()->resize(420, 600);
        delegate->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->window()));
        ASSERT_GE(posts().count(), 12) << "a page longer than the window";
    }
    PostsArrayController &posts() const
    {
        return *delegate->window()->listView()->postsController();
    }
    TimelineListView *list() const { return delegate->window()->listView(); }
    int selected() const { return posts().selectionIndex().value_or(-1); }
    bool selectionInSight() const
    {
        QApplication::processEvents();
        const QRect place = list()->visualRect(list()->model()->index(selected(), 0));
        return list()->viewport()->rect().intersects(place);
    }
    void press(Qt::Key key) { QTest::keyClick(delegate->window(), key); }
};

TEST_F(ReadingTest, PagesAndEndsMoveTheSelectionAndKeepItInSight)
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
}

TEST_F(ReadingTest, BackReturnsToTheScrollPlaceAndSelectedPostOfTheEarlierStream)
{
    // The reader scrolled part of the way into a row and selected a post in
    // sight.
    // Once nothing loads and the whole page is laid out (a busy machine may
    // still be finishing either).
    QScrollBar *bar = list()->verticalScrollBar();
    int row = -1;
    ASSERT_TRUE(testsupport::waitUntil(
        [this, bar, &row] {
            const QModelIndex last = list()->model()->index(posts().count() - 1, 0);
            if (delegate->streams().isCurrentlyLoading() || !list()->visualRect(last).isValid()
                || bar->maximum() < 400)
                return false;
            bar->setValue(bar->maximum() / 2 + 7);
            row = list()->indexAt(list()->viewport()->rect().center()).row();
            return row >= 0;
        },
        std::chrono::milliseconds(15000)));
    posts().setSelectionIndex(row);
    const QString selectedID = posts().arrangedObject(row)->id();
    const TimelineListView::ReadingPlace place = list()->readingPlace();
    ASSERT_FALSE(place.postID.isEmpty());
    // A load is over when the stream asked for is shown and nothing loads;
    // a refresh still running would make a step wait for it.
    auto shown = [this](StreamKind kind) {
        return testsupport::waitUntil(
            [this, kind] {
                return !delegate->streams().isCurrentlyLoading()
                    && delegate->streams().currentStreamKind() == kind;
            },
            std::chrono::milliseconds(15000));
    };
    auto whenIdle = [this](auto step) {
        ASSERT_TRUE(
            testsupport::waitUntil([this] { return !delegate->streams().isCurrentlyLoading(); },
                std::chrono::milliseconds(15000)));
        step();
    };
    whenIdle([this] { delegate->streams().showHashtag(QStringLiteral("#coffee")); });
    ASSERT_TRUE(shown(StreamKind::Hashtag));
    whenIdle([this] { delegate->streams().goBack(); });
    ASSERT_TRUE(shown(StreamKind::Personal));
    ASSERT_TRUE(posts().selectionIndex().has_value());
    EXPECT_EQ(posts().arrangedObject(selected())->id(), selectedID);
    EXPECT_TRUE(testsupport::waitUntil(
        [this, place] { return list()->readingPlace() == place; }, std::chrono::milliseconds(3000)))
        << "the reader is back where they were: " << place.postID.toStdString() << " + "
        << place.offset << ", now " << list()->readingPlace().postID.toStdString() << " + "
        << list()->readingPlace().offset;
    EXPECT_TRUE(selectionInSight());

    // Switching main streams is no way back: nothing is carried over.
    whenIdle([this] { delegate->selectView(3); });
    ASSERT_TRUE(shown(StreamKind::Global));
    whenIdle([this] { delegate->selectView(0); });
    ASSERT_TRUE(shown(StreamKind::Personal));
    EXPECT_NE(posts().selectionIndex().value_or(-1), row);

    // With nothing selected the scroll place still comes back.
    ASSERT_TRUE(testsupport::waitUntil(
        [this, bar] {
            const QModelIndex last = list()->model()->index(posts().count() - 1, 0);
            if (delegate->streams().isCurrentlyLoading() || !list()->visualRect(last).isValid()
                || bar->maximum() < 400)
                return false;
            bar->setValue(bar->maximum() / 3 + 11);
            return true;
        },
        std::chrono::milliseconds(15000)));
    posts().clearSelection();
    const TimelineListView::ReadingPlace unselectedPlace = list()->readingPlace();
    ASSERT_FALSE(unselectedPlace.postID.isEmpty());
    whenIdle([this] { delegate->streams().showHashtag(QStringLiteral("#coffee")); });
    ASSERT_TRUE(shown(StreamKind::Hashtag));
    whenIdle([this] { delegate->streams().goBack(); });
    ASSERT_TRUE(shown(StreamKind::Personal));
    EXPECT_TRUE(testsupport::waitUntil(
        [this, unselectedPlace] { return list()->readingPlace() == unselectedPlace; },
        std::chrono::milliseconds(3000)))
        << "back at " << unselectedPlace.postID.toStdString() << " + " << unselectedPlace.offset
        << ", now " << list()->readingPlace().postID.toStdString() << " + "
        << list()->readingPlace().offset;
    EXPECT_FALSE(posts().selectionIndex().has_value());
}

TEST_F(ReadingTest, RowsAndControlsHaveNamesAScreenReaderSpeaks)
{
    QAccessibleInterface *listAccess = QAccessible::queryAccessibleInterface(list());
    ASSERT_TRUE(listAccess);
    EXPECT_EQ(listAccess->text(QAccessible::Name), QStringLiteral("Posts"));
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
    EXPECT_TRUE(spoken.startsWith(QStringLiteral("@") + first.username())
        || spoken.startsWith(first.name() + QStringLiteral(" (@") + first.username()))
        << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral(" ago: ")) || spoken.contains(QStringLiteral("now")))
        << spoken.toStdString();

    // Every button of the window and the composer has a name.
    delegate->newPost();
    QStringList unnamed;
    for (QAbstractButton *button : delegate->window()->findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(delegate->window()))
            continue;
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(button);
        if (!access || access->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << button->objectName() + QStringLiteral("/")
                    + QString::fromLatin1(button->metaObject()->className());
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
    QAccessibleInterface *composer
        = QAccessible::queryAccessibleInterface(delegate->window()->composer());
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->text(QAccessible::Name), QStringLiteral("Post text"));
}

TEST_F(ReadingTest, TabGoesDownTheStreamsAcrossTheBarIntoTheComposerThenToTheList)
{
    MainWindow *window = delegate->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    delegate->newPost();
    QTest::keyClicks(window->composer(), QStringLiteral("where Tab goes"));
    SideBar *bar = window->sideBar();
    ASSERT_EQ(bar->numberOfRows(), 5);
    // The streams are one group, as radio buttons are: Tab stops at the
    // shown one and the arrow keys move inside. Back is hidden on a main
    // stream, so Tab passes it by.
    const auto tool = [window](const QString &name) -> QWidget * {
        for (QToolButton *button : window->findChildren<QToolButton *>())
            if (button->accessibleName() == name)
                return button;
        return nullptr;
    };
    const QList<QWidget *> expected { bar->cellForItem(0), tool(QStringLiteral("Refresh")),
        tool(QStringLiteral("New Post")), window->composer(), window->composerPane()->postButton(),
        list(), bar->cellForItem(0) };
    ASSERT_FALSE(expected.contains(nullptr));

    bar->cellForItem(0)->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (qsizetype step = 0; step < expected.size(); ++step) {
        QWidget *focus = QApplication::focusWidget();
        QAccessibleInterface *access
            = focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
        visited << (access ? access->text(QAccessible::Name) : QStringLiteral("(none)"));
        EXPECT_EQ(focus, expected.at(step)) << visited.join(QStringLiteral(" → ")).toStdString();
        if (!focus)
            break;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(window->composer()->text(), QStringLiteral("where Tab goes"))
        << "Tab in the composer moves on and writes nothing";

    // Down moves to the next stream, and Space shows the stream in focus.
    ASSERT_TRUE(testsupport::waitUntil([this] { return !delegate->streams().isCurrentlyLoading(); },
        std::chrono::milliseconds(15000)));
    bar->cellForItem(2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar->cellForItem(2), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), bar->cellForItem(3));
    ASSERT_TRUE(testsupport::waitUntil([this] { return !delegate->streams().isCurrentlyLoading(); },
        std::chrono::milliseconds(15000)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(testsupport::waitUntil(
        [this] {
            return !delegate->streams().isCurrentlyLoading()
                && delegate->streams().currentStreamKind() == StreamKind::Global;
        },
        std::chrono::milliseconds(15000)));
    EXPECT_EQ(bar->selectedRow(), 3);

    // From the stream shown the arrows show the next one, as radio buttons
    // choose; a press while that loads leaves the bar on what is shown.
    QTest::keyClick(bar->cellForItem(3), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), bar->cellForItem(4));
    EXPECT_TRUE(delegate->streams().isCurrentlyLoading());
    QTest::keyClick(bar->cellForItem(4), Qt::Key_Up);
    EXPECT_TRUE(testsupport::waitUntil(
        [this] {
            return !delegate->streams().isCurrentlyLoading()
                && delegate->streams().currentStreamKind() == StreamKind::Starred;
        },
        std::chrono::milliseconds(15000)));
    EXPECT_EQ(bar->selectedRow(), 4) << "the bar shows the stream on screen";
}

} // namespace
