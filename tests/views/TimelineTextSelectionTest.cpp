// Selecting part of a post's text in the selected row of the list: drags,
// double clicks, copying, and what clears the selection.
#include "TimelineListFixture.h"

#include "views/RowTextSelection.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>

using namespace timelinetest;

namespace {

class TimelineTextSelectionTest : public TimelineListViewTest {
protected:
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, from);
        const QPoint step = (to - from) / 4;
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(viewport(), i == 4 ? to : from + step * i);
        QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, to);
    }
};

TEST(RowTextSelection, CoversWholeGraphemesAndBothEndsOfTheDrag)
{
    const QString text = QStringLiteral("hi 👋🏽 there");
    RowTextSelection selection;
    selection.begin(QModelIndex(), text, 0);
    EXPECT_TRUE(selection.isEmpty()); // a press alone selects nothing
    selection.extend(3); // the first half of the emoji
    EXPECT_EQ(selection.selectedText(), QStringLiteral("hi 👋🏽"));
    selection.extend(4); // a low surrogate
    EXPECT_EQ(selection.selectedText(), QStringLiteral("hi 👋🏽"));
    // Backwards from the anchor includes the anchor's character.
    selection.begin(QModelIndex(), text, int(text.size()) - 1);
    selection.extend(int(text.indexOf(u't')));
    EXPECT_EQ(selection.selectedText(), QStringLiteral("there"));
    selection.extend(10000);
    EXPECT_EQ(selection.selectedText(), QStringLiteral("e"));

    selection.selectWord(QModelIndex(), QStringLiteral("שלום עולם, hello"), 6);
    EXPECT_EQ(selection.selectedText(), QStringLiteral("עולם"));
    selection.clear();
    EXPECT_TRUE(selection.isEmpty());
}

TEST_F(TimelineTextSelectionTest, ADragInTheSelectedRowOnlySelectsAndCtrlCCopiesExactlyThat)
{
    const QString text = QStringLiteral("plain words then 😀 emoji and עברית end");
    show({ post({ .id = QStringLiteral("a"), .text = text }) });
    m_posts.setSelectionIndex(0);
    settle();
    const int from = int(text.indexOf(u"then"));
    const int to = int(text.indexOf(u"עברית")) + 4;
    const auto start = pointOnCharacter(0, from);
    const auto end = pointOnCharacter(0, to);
    ASSERT_TRUE(start && end);

    drag(*start, *end);
    EXPECT_EQ(m_list->selectedText(), text.mid(from, to - from + 1));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(m_list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("then 😀 emoji and עברית"));
    EXPECT_TRUE(m_posted.isEmpty());

    // A plain click in the row clears it; another row takes the selection away too.
    click(*start);
    EXPECT_TRUE(m_list->selectedText().isEmpty());
    drag(*start, *end);
    ASSERT_FALSE(m_list->selectedText().isEmpty());
    m_list->resetVisibleRows();
    EXPECT_TRUE(m_list->selectedText().isEmpty());

    // Only the selected row's text is selectable: a drag whose press selects
    // another row selects no text, a second one does.
    show(posts(2, [&](int) { return text; }));
    m_posts.setSelectionIndex(0);
    settle();
    const auto other = pointOnCharacter(1, 0);
    const auto otherEnd = pointOnCharacter(1, 10);
    ASSERT_TRUE(other && otherEnd);
    drag(*other, *otherEnd);
    EXPECT_EQ(selectedRows(), QList<int> { 1 });
    EXPECT_TRUE(m_list->selectedText().isEmpty());
    drag(*other, *otherEnd);
    EXPECT_EQ(m_list->selectedText(), text.left(11));
    m_posts.setSelectionIndex(0);
    settle();
    EXPECT_TRUE(m_list->selectedText().isEmpty());
}

TEST_F(TimelineTextSelectionTest, AClickOnAMarkStillActsAndADragFromItSelects)
{
    const QString text = QStringLiteral("tagged #velto then more words");
    show({ post({ .id = QStringLiteral("a"), .text = text }) });
    m_posts.setSelectionIndex(0);
    settle();
    const auto onTag = pointOnCharacter(0, int(text.indexOf(u"velto")));
    const auto later = pointOnCharacter(0, int(text.indexOf(u"more")) + 3);
    ASSERT_TRUE(onTag && later);

    drag(*onTag, *later);
    EXPECT_TRUE(m_posted.isEmpty()) << "a drag from the tag does not load it";
    EXPECT_EQ(m_list->selectedText(), QStringLiteral("velto then more"));

    click(*onTag);
    EXPECT_EQ(m_posted, QStringList { nf::loadHash });
    EXPECT_TRUE(m_list->selectedText().isEmpty());
}

TEST_F(TimelineTextSelectionTest, ADoubleClickSelectsAWordAndTheMenuCopiesIt)
{
    const QString text = QStringLiteral("first second third");
    show(posts(2, [&](int) { return text; }));
    QSignalSpy doubled(m_list, &TimelineListView::rowDoubleClicked);
    const auto onSecond = pointOnCharacter(1, int(text.indexOf(u"second")) + 2);
    ASSERT_TRUE(onSecond);
    // On a row not yet selected, the double click is the row's (reply, quote, ...).
    click(*onSecond);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, *onSecond);
    EXPECT_EQ(doubled.count(), 1);
    EXPECT_TRUE(m_list->selectedText().isEmpty());

    // In the row that was selected before, it picks the word.
    click(*onSecond);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, *onSecond);
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, *onSecond);
    EXPECT_EQ(doubled.count(), 1);
    EXPECT_EQ(m_list->selectedText(), QStringLiteral("second"));

    QMenu postMenu;
    postMenu.addAction(QStringLiteral("Copy Post"));
    m_list->setContextMenu(&postMenu);
    QGuiApplication::clipboard()->clear();
    QContextMenuEvent menuEvent(
        QContextMenuEvent::Mouse, *onSecond, viewport()->mapToGlobal(*onSecond));
    QApplication::sendEvent(viewport(), &menuEvent);
    QMenu *shown = nullptr;
    ASSERT_TRUE(testsupport::waitUntil([&] {
        shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        return shown != nullptr;
    }));
    ASSERT_GE(shown->actions().size(), 3);
    EXPECT_EQ(shown->actions().first()->text(), QStringLiteral("Copy"));
    EXPECT_EQ(shown->actions().last()->text(), QStringLiteral("Copy Post"));
    shown->actions().first()->trigger();
    shown->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("second"));
}

} // namespace
