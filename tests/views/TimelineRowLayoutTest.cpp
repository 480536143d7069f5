// The row height rule, the row geometry the delegate paints and hit-tests
// from, and the cache of heights and laid-out text. No window involved.
#include "views/TimelineRowLayout.h"
#include "views/TimelineTextCache.h"

#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Part = TimelineRowLayout::Part;
using namespace TimelineRowMetrics;

namespace {

StyledText styled(const QString &text)
{
    return PostTextStyling::styledText(text, 0);
}

QString words(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    return text.trimmed();
}

} // namespace

TEST(TimelineRowHeight, TextHeightPlusChromeAtLeastSixtyRoundedUp)
{
    EXPECT_EQ(rowHeightForTextHeight(10), 69);
    EXPECT_EQ(rowHeightForTextHeight(0), 60) << "an empty text gets 60, not 59";
    EXPECT_EQ(rowHeightForTextHeight(1), 60);
    EXPECT_EQ(rowHeightForTextHeight(0.6), 60);
    EXPECT_EQ(rowHeightForTextHeight(70.2 - 59), 71) << "70.2 is rounded up";
    EXPECT_EQ(rowHeightForTextHeight(41), 100);
    EXPECT_EQ(rowHeightForTextHeight(41.0001), 101);
}

TEST(TimelineRowHeight, GarbageHeightsGiveAUsableRow)
{
    EXPECT_EQ(rowHeightForTextHeight(std::nan("")), 60);
    EXPECT_EQ(rowHeightForTextHeight(-25), 60);
    const int huge = rowHeightForTextHeight(std::numeric_limits<double>::infinity());
    EXPECT_GT(huge, 1'000'000);
}

TEST(TimelineRowHeight, TextIsMeasuredAtTheListWidthLessTheAvatarColumn)
{
    EXPECT_EQ(textWidthForListWidth(400), 327);
    EXPECT_EQ(textWidthForListWidth(73 + 64), 64);
    EXPECT_EQ(textWidthForListWidth(100), minimumTextWidth)
        << "never narrower than a few characters";
    EXPECT_EQ(textWidthForListWidth(-5), minimumTextWidth);

    const StyledText text = styled(words(60));
    const qreal measured = heightForWidth(text, 400 - 73);
    ASSERT_GT(measured, 20) << "the text must need several lines";
    EXPECT_EQ(rowHeight(text, 400), int(std::ceil(measured + 59)));
    EXPECT_GT(rowHeight(text, 260), rowHeight(text, 400)) << "a narrower list needs taller rows";
    EXPECT_EQ(rowHeight(styled(QString()), 400), 60);
}

TEST(TimelineRowGeometry, PartsSitInsideTheRowWithoutOverlapping)
{
    const qreal listWidth = 400;
    const QRectF row(0, 100, listWidth, 140);
    const TimelineRowLayout layout = TimelineRowLayout::compute(row, listWidth, true, true);

    EXPECT_EQ(layout.text.left(), 65);
    EXPECT_EQ(layout.text.width(), listWidth - 73);
    EXPECT_EQ(layout.text.height(), 140 - 59) << "the text box is the text's share of the row";
    EXPECT_EQ(layout.avatar.size(), QSizeF(52, 52));
    EXPECT_LE(layout.avatar.right(), layout.text.left());

    const QList<QRectF> buttons { layout.reply, layout.quote, layout.conversation, layout.action };
    for (int i = 0; i < buttons.size(); ++i) {
        EXPECT_TRUE(row.contains(buttons[i])) << "button " << i;
        EXPECT_GE(buttons[i].top(), layout.text.bottom())
            << "buttons sit below the text, button " << i;
        for (int j = i + 1; j < buttons.size(); ++j)
            EXPECT_FALSE(buttons[i].intersects(buttons[j])) << i << " and " << j;
    }
    EXPECT_GT(layout.action.left(), layout.conversation.right() + 100)
        << "the action button keeps to the right";
    EXPECT_FALSE(layout.nameLine.intersects(layout.text));
    EXPECT_TRUE(layout.nameLine.contains(layout.date));
}

TEST(TimelineRowGeometry, ShortestRowStillHoldsAvatarAndButtons)
{
    const QRectF row(0, 0, 300, 60);
    const TimelineRowLayout layout = TimelineRowLayout::compute(row, 300, true, true);
    EXPECT_TRUE(row.contains(layout.avatar));
    EXPECT_TRUE(row.contains(layout.reply));
    EXPECT_GE(layout.reply.top(), layout.nameLine.bottom());
}

TEST(TimelineRowGeometry, WhatIsUnderThePointer)
{
    const QRectF row(0, 40, 400, 120);
    const TimelineRowLayout selected = TimelineRowLayout::compute(row, 400, true, true);
    EXPECT_EQ(selected.partAt(selected.reply.center()), Part::Reply);
    EXPECT_EQ(selected.partAt(selected.quote.center()), Part::Quote);
    EXPECT_EQ(selected.partAt(selected.conversation.center()), Part::Conversation);
    EXPECT_EQ(selected.partAt(selected.action.center()), Part::Action);
    EXPECT_EQ(selected.partAt(selected.avatar.center()), Part::Avatar);
    EXPECT_EQ(selected.partAt(selected.text.center()), Part::Text);
    EXPECT_EQ(selected.partAt(QPointF(200, 10)), Part::None) << "a point above the row";
    EXPECT_EQ(selected.toTextPoint(selected.text.topLeft() + QPointF(3, 4)), QPointF(3, 4));

    // An unselected row has no buttons: their places are plain row.
    const TimelineRowLayout plain = TimelineRowLayout::compute(row, 400, false, true);
    EXPECT_EQ(plain.partAt(selected.reply.center()), Part::None);
    EXPECT_FALSE(plain.isEnabled(Part::Reply));
    EXPECT_FALSE(plain.isEnabled(Part::Conversation));
    EXPECT_TRUE(plain.isEnabled(Part::Avatar));

    // One's own post: reply and quote are there but off; the others work.
    const TimelineRowLayout own = TimelineRowLayout::compute(row, 400, true, false);
    EXPECT_EQ(own.partAt(own.reply.center()), Part::Reply);
    EXPECT_FALSE(own.isEnabled(Part::Reply));
    EXPECT_FALSE(own.isEnabled(Part::Quote));
    EXPECT_TRUE(own.isEnabled(Part::Conversation));
    EXPECT_TRUE(own.isEnabled(Part::Action));
}

TEST(TimelineRowGeometry, NarrowListKeepsButtonsApart)
{
    const TimelineRowLayout layout
        = TimelineRowLayout::compute(QRectF(0, 0, 90, 80), 90, true, true);
    EXPECT_GE(layout.action.left(), layout.conversation.right());
    EXPECT_GE(layout.nameLine.width(), 0);
    EXPECT_GE(layout.date.width(), 0);
}

TEST(TimelineTextCache, HeightsAreMeasuredOncePerWidth)
{
    TimelineTextCache cache;
    const StyledText text = styled(words(40));
    const int wide = cache.rowHeight(QStringLiteral("1"), text, 500);
    EXPECT_EQ(wide, rowHeight(text, 500));
    EXPECT_EQ(cache.rowHeight(QStringLiteral("1"), text, 500), wide);
    EXPECT_EQ(cache.measurements(), 1);

    const int narrow = cache.rowHeight(QStringLiteral("1"), text, 300);
    EXPECT_EQ(narrow, rowHeight(text, 300));
    EXPECT_EQ(cache.measurements(), 2);
    EXPECT_EQ(cache.rowHeight(QStringLiteral("1"), text, 500), wide)
        << "back to a width it has seen";
    EXPECT_EQ(cache.measurements(), 2);

    // Only the last few widths are kept.
    for (int width = 310; width < 310 + TimelineTextCache::widthsKept; ++width)
        cache.rowHeight(QStringLiteral("1"), text, width);
    const int before = cache.measurements();
    cache.rowHeight(QStringLiteral("1"), text, 500);
    EXPECT_EQ(cache.measurements(), before + 1);
}

TEST(TimelineTextCache, ChangedTextUnderTheSameIdIsMeasuredAgain)
{
    TimelineTextCache cache;
    const int shortRow = cache.rowHeight(QStringLiteral("7"), styled(QStringLiteral("hi")), 400);
    const int longRow = cache.rowHeight(QStringLiteral("7"), styled(words(80)), 400);
    EXPECT_EQ(shortRow, rowHeight(styled(QStringLiteral("hi")), 400));
    EXPECT_GT(longRow, shortRow);

    // The same text at a larger font size is another text.
    const StyledText small = PostTextStyling::styledText(words(30), 2);
    const StyledText large = PostTextStyling::styledText(words(30), 1);
    EXPECT_LT(cache.rowHeight(QStringLiteral("8"), small, 400),
        cache.rowHeight(QStringLiteral("8"), large, 400));
}

TEST(TimelineTextCache, LayoutsAreSharedAndKnowTheirHeight)
{
    TimelineTextCache cache;
    const StyledText text = styled(words(30));
    const auto first = cache.layout(QStringLiteral("a"), text, 400);
    const auto again = cache.layout(QStringLiteral("a"), text, 400);
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(first->width(), 327);
    EXPECT_EQ(cache.layoutsBuilt(), 1);

    // The row height comes from the layout already made.
    EXPECT_EQ(cache.rowHeight(QStringLiteral("a"), text, 400), rowHeight(text, 400));
    EXPECT_EQ(cache.measurements(), 0);

    const auto other = cache.layout(QStringLiteral("a"), styled(QStringLiteral("changed")), 400);
    EXPECT_NE(other.get(), first.get());
    EXPECT_EQ(other->styledText().text(), QStringLiteral("changed"));
}

TEST(TimelineTextCache, LongTextsDoNotPileUp)
{
    TimelineTextCache cache;
    const QString chunk
        = QStringLiteral("abcdefghij ").repeated(TimelineTextCache::layoutCharactersKept / 22);
    const StyledText half = styled(chunk); // a little under half the budget
    auto first = cache.layout(QStringLiteral("1"), half, 400);
    cache.layout(QStringLiteral("2"), half, 400);
    EXPECT_EQ(cache.layoutsBuilt(), 2);
    cache.layout(QStringLiteral("1"), half, 400);
    EXPECT_EQ(cache.layoutsBuilt(), 2) << "two fit";

    cache.layout(QStringLiteral("3"), half, 400);
    EXPECT_EQ(cache.layoutsBuilt(), 3);
    cache.layout(QStringLiteral("1"), half, 400);
    EXPECT_EQ(cache.layoutsBuilt(), 3) << "the most recently used stays";
    cache.layout(QStringLiteral("2"), half, 400);
    EXPECT_EQ(cache.layoutsBuilt(), 4) << "the least recently used one went";
    EXPECT_GT(first->lineCount(), 10) << "a layout handed out stays usable after eviction";
}
