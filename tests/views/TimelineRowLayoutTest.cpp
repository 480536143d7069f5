// The row height rule, the row geometry the delegate paints and hit-tests
// from, and the cache of heights and laid-out text. No window involved.
#include "views/TimelineRowLayout.h"
#include "views/TimelineTextCache.h"

#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace TimelineRowMetrics;

namespace {

StyledText styled(const QString &text, qint64 fontSize = 0)
{
    return PostTextStyling::styledText(text, fontSize);
}

QString words(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    return text.trimmed();
}

} // namespace

// Text height plus 59 points of chrome, rounded up, at least 60; garbage
// heights still give a usable row.
TEST(TimelineRowHeight, TextHeightPlusChromeAtLeastSixtyRoundedUp)
{
    const std::pair<double, int> heights[] = { { 10, 69 }, { 0, 60 }, { 1, 60 }, { 0.6, 60 },
        { 70.2 - 59, 71 }, { 41, 100 }, { 41.0001, 101 }, { std::nan(""), 60 }, { -25, 60 } };
    for (const auto &[text, row] : heights)
        EXPECT_EQ(rowHeightForTextHeight(text), row) << text;
    EXPECT_GT(rowHeightForTextHeight(std::numeric_limits<double>::infinity()), 1'000'000);

    // Measured at the list width less the avatar column, never narrower than
    // a few characters.
    EXPECT_EQ(textWidthForListWidth(100), minimumTextWidth);
    EXPECT_EQ(textWidthForListWidth(-5), minimumTextWidth);
    const StyledText text = styled(words(60));
    const qreal measured = heightForWidth(text, 400 - 73);
    ASSERT_GT(measured, 20) << "the text must need several lines";
    EXPECT_EQ(rowHeight(text, 400), int(std::ceil(measured + 59)));
    EXPECT_GT(rowHeight(text, 260), rowHeight(text, 400));
}

TEST(TimelineRowGeometry, PartsSitInsideTheRowWithoutOverlappingAtEveryWidth)
{
    // The narrowest list keeps its buttons apart, if not all inside the row.
    for (const auto &[row, holdsButtons] :
        { std::pair { QRectF(0, 100, 400, 140), true }, std::pair { QRectF(0, 0, 300, 60), true },
            std::pair { QRectF(0, 0, 90, 80), false } }) {
        SCOPED_TRACE(row.width());
        const TimelineRowLayout layout = TimelineRowLayout::compute(row, row.width(), true, true);
        EXPECT_TRUE(row.contains(layout.avatar));
        const QList<QRectF> buttons { layout.reply, layout.quote, layout.conversation,
            layout.action };
        for (int i = 0; i < buttons.size(); ++i) {
            EXPECT_TRUE(row.contains(buttons[i]) || !holdsButtons) << "button " << i;
            EXPECT_GE(buttons[i].top(), layout.text.bottom()) << "button " << i;
            for (int j = i + 1; j < buttons.size(); ++j)
                EXPECT_LE(buttons[i].right(), buttons[j].left()) << i << " and " << j;
        }
        EXPECT_FALSE(layout.nameLine.intersects(layout.text));
        EXPECT_GE(layout.date.width(), 0);
    }
    const TimelineRowLayout layout
        = TimelineRowLayout::compute(QRectF(0, 100, 400, 140), 400, true, true);
    EXPECT_GT(layout.action.left(), layout.conversation.right() + 100)
        << "the action button keeps to the right";
}

TEST(TimelineTextCache, HeightsAreMeasuredOncePerTextAndWidthOfTheLastFew)
{
    TimelineTextCache cache;
    const StyledText text = styled(words(40));
    const int wide = cache.rowHeight(QStringLiteral("1"), text, 500);
    EXPECT_EQ(wide, rowHeight(text, 500));
    EXPECT_EQ(cache.rowHeight(QStringLiteral("1"), text, 500), wide);
    EXPECT_EQ(cache.rowHeight(QStringLiteral("1"), text, 300), rowHeight(text, 300));
    EXPECT_EQ(cache.rowHeight(QStringLiteral("1"), text, 500), wide);
    EXPECT_EQ(cache.measurements(), 2);
    for (int width = 310; width < 310 + TimelineTextCache::widthsKept; ++width)
        cache.rowHeight(QStringLiteral("1"), text, width);
    const int before = cache.measurements();
    cache.rowHeight(QStringLiteral("1"), text, 500);
    EXPECT_EQ(cache.measurements(), before + 1) << "only the last few widths are kept";

    // Changed text under the same id is measured again; so is a larger font.
    const int shortRow = cache.rowHeight(QStringLiteral("7"), styled(QStringLiteral("hi")), 400);
    EXPECT_EQ(shortRow, rowHeight(styled(QStringLiteral("hi")), 400));
    EXPECT_GT(cache.rowHeight(QStringLiteral("7"), styled(words(80)), 400), shortRow);
    EXPECT_LT(cache.rowHeight(QStringLiteral("8"), styled(words(30), 2), 400),
        cache.rowHeight(QStringLiteral("8"), styled(words(30), 1), 400));
}

TEST(TimelineTextCache, LayoutsAreSharedAndLongTextsDoNotPileUp)
{
    TimelineTextCache cache;
    const StyledText text = styled(words(30));
    const auto first = cache.layout(QStringLiteral("a"), text, 400);
    EXPECT_EQ(cache.layout(QStringLiteral("a"), text, 400).get(), first.get());
    EXPECT_EQ(first->width(), 327);
    // The row height comes from the layout already made.
    EXPECT_EQ(cache.rowHeight(QStringLiteral("a"), text, 400), rowHeight(text, 400));
    EXPECT_EQ(cache.measurements(), 0);
    const auto other = cache.layout(QStringLiteral("a"), styled(QStringLiteral("changed")), 400);
    EXPECT_EQ(other->styledText().text(), QStringLiteral("changed"));

    // A little under half the budget each: two fit, the least recently used goes.
    TimelineTextCache small;
    const StyledText half = styled(
        QStringLiteral("abcdefghij ").repeated(TimelineTextCache::layoutCharactersKept / 22));
    auto kept = small.layout(QStringLiteral("1"), half, 400);
    const std::pair<const char *, int> uses[]
        = { { "2", 2 }, { "1", 2 }, { "3", 3 }, { "1", 3 }, { "2", 4 } };
    for (const auto &[id, built] : uses) {
        small.layout(QString::fromLatin1(id), half, 400);
        EXPECT_EQ(small.layoutsBuilt(), built) << id;
    }
    EXPECT_GT(kept->lineCount(), 10) << "a layout handed out stays usable after eviction";
}
