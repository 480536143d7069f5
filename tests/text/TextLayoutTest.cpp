#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

StyledText styled(const QString &text, qint64 fontSize = 0)
{
    return PostTextStyling::styledText(text, fontSize);
}

TEST(TextMeasure, EmptyTextMeasuresZero)
{
    EXPECT_EQ(heightForWidth(styled(QString()), 300), 0);
    EXPECT_EQ(sizeForWidth(styled(QString()), 300, 100), QSizeF(0, 0));
    EXPECT_EQ(heightForWidth(StyledText(), 300), 0);
}

TEST(TextMeasure, HeightGrowsWithLinesAndFontSize)
{
    const StyledText line = styled(QStringLiteral("short"));
    const qreal one = heightForWidth(line, 300);
    EXPECT_GT(one, 8);
    EXPECT_LT(one, 40);
    const StyledText three = styled(QStringLiteral("short\nsecond\r\nthird"));
    EXPECT_NEAR(heightForWidth(three, 300), 3 * one, 1.0);
    EXPECT_NEAR(heightForWidth(styled(QStringLiteral("a\u2029b")), 300), 2 * one, 1.0);

    const StyledText sentence
        = styled(QStringLiteral("the quick brown fox jumps over the lazy dog ").repeated(6));
    const qreal wide = heightForWidth(sentence, 2000);
    const qreal narrow = heightForWidth(sentence, 150);
    EXPECT_NEAR(wide, one, 1.0);
    EXPECT_GT(narrow, 4 * wide);

    EXPECT_GT(heightForWidth(styled(QStringLiteral("short"), 1), 300), one);
    EXPECT_LT(heightForWidth(styled(QStringLiteral("short"), 2), 300), one);
}

TEST(TextMeasure, UsedWidthIncludesPaddingAndNeverExceedsTheBox)
{
    const QSizeF size
        = sizeForWidth(styled(QStringLiteral("hello")), 300, StyledTextLayout::unboundedHeight);
    EXPECT_GT(size.width(), 2 * StyledTextLayout::lineFragmentPadding);
    EXPECT_LT(size.width(), 300);
    const QSizeF full = sizeForWidth(
        styled(QStringLiteral("word ").repeated(100)), 300, StyledTextLayout::unboundedHeight);
    EXPECT_LE(full.width(), 300);
}

TEST(TextMeasure, AHeightLimitDropsLinesThatDoNotFit)
{
    const StyledText text = styled(QStringLiteral("a\nb\nc\nd"));
    const qreal line = heightForWidth(styled(QStringLiteral("a")), 300);
    const QSizeF two = sizeForWidth(text, 300, 2 * line + 1);
    EXPECT_NEAR(two.height(), 2 * line, 0.5);
    EXPECT_EQ(sizeForWidth(text, 300, line / 2).height(), 0);
}

TEST(TextMeasure, HugeWordsWrapAndOddWidthsDoNotCrash)
{
    const StyledText word = styled(QString(10000, QLatin1Char('m')));
    const qreal height = heightForWidth(word, 300);
    EXPECT_GT(height, 50 * heightForWidth(styled(QStringLiteral("m")), 300));
    EXPECT_GT(heightForWidth(styled(QStringLiteral("abc")), 0), 0);
    EXPECT_GT(heightForWidth(styled(QStringLiteral("abc")), -20), 0);
    EXPECT_GT(heightForWidth(styled(QStringLiteral("abc")), std::nan("")), 0);
    const StyledText odd
        = styled(QString::fromUtf8("\U0001F600 \u05e9\u05dc\u05d5\u05dd e\u0301 ") + QChar(0xD800));
    EXPECT_GT(heightForWidth(odd, 120), 0);
}

TEST(TextHitTest, FindsTheCharacterUnderThePoint)
{
    const QString text = QStringLiteral("see #tag and @bob");
    const StyledText s = styled(text);
    const StyledTextLayout layout(s, 400);
    const qreal y = layout.usedSize().height() / 2;
    // Walk across the line: every character is found once, in order.
    int last = -1;
    QList<int> seen;
    for (qreal x = 0; x < layout.usedSize().width(); x += 0.5) {
        const int index = layout.characterIndexAt(QPointF(x, y));
        if (index != last && index >= 0)
            seen.append(index);
        last = index;
    }
    ASSERT_EQ(seen.size(), text.size());
    for (int i = 0; i < text.size(); ++i)
        EXPECT_EQ(seen[i], i);

    EXPECT_EQ(layout.characterIndexAt(QPointF(1, y)), -1); // in the padding
    EXPECT_EQ(
        layout.characterIndexAt(QPointF(layout.usedSize().width() + 2, y)), -1); // right of the end
    EXPECT_EQ(layout.characterIndexAt(QPointF(20, -1)), -1);
    EXPECT_EQ(layout.characterIndexAt(QPointF(20, layout.usedSize().height() + 1)), -1);
}

TEST(TextHitTest, AnswersTheSpanForTheDelegate)
{
    const StyledText s = styled(QStringLiteral("#tag\nsecond line @bob"));
    const StyledTextLayout layout(s, 400);
    const qreal lineHeight = layout.usedSize().height() / 2;
    // The first line's first character and the second line's last.
    const TextAttributes first
        = entityAt(s, 400, QPointF(StyledTextLayout::lineFragmentPadding + 1, lineHeight / 2));
    EXPECT_EQ(first.hash, u"#tag");
    EXPECT_TRUE(first.pointingHand);
    QPointF end;
    for (qreal x = 400; x > 0; x -= 1) {
        if (layout.characterIndexAt(QPointF(x, lineHeight * 1.5)) >= 0) {
            end = QPointF(x, lineHeight * 1.5);
            break;
        }
    }
    EXPECT_EQ(layout.attributesAt(end).user, u"@bob");
    EXPECT_EQ(characterIndexAt(s, 400, end), s.length() - 1);
    // Beyond the end of the short first line there is nothing to click.
    EXPECT_EQ(layout.characterIndexAt(QPointF(300, lineHeight / 2)), -1);
}

TEST(TextPainting, DrawsTextShadowAndEmojiInTheirColours)
{
    // The fox comes from the colour emoji font, not as an empty box.
    const StyledText s = styled(QString::fromUtf8("MMMM #tag \U0001F98A"));
    const StyledTextLayout layout(s, 300);
    QImage image(300, 40, QImage::Format_ARGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        layout.draw(&painter, QPointF(0, 0));
    }
    // The base text is dark, so on black the light shadow is what shows.
    int light = 0;
    int green = 0;
    int orange = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 60 && c.red() == c.green() && c.green() == c.blue())
                ++light;
            if (c.green() > c.red() + 20 && c.green() > 60)
                ++green;
            if (c.red() > 150 && c.red() > c.blue() + 80)
                ++orange;
        }
    }
    EXPECT_GT(light, 10);
    EXPECT_GT(green, 5);
    EXPECT_GT(orange, 20);
}

TEST(TextPainting, ASelectionOverMixedDirectionsIsHighlightedWhereItsGlyphsAre)
{
    // "c", the space and the first two letters of the right-to-left word: on
    // screen the word's right half is selected, not the span between the two
    // ends' cursor places. Qt's own drawing of one selection is the measure.
    const StyledText s = styled(QStringLiteral("abc \u05e9\u05dc\u05d5\u05dd def"));
    const StyledTextLayout layout(s, 300);
    QTextLayout::FormatRange selection;
    selection.start = 2;
    selection.length = 4;
    selection.format.setBackground(QColor(255, 0, 0));
    QTextLayout::FormatRange recolour;
    recolour.start = 11;
    recolour.length = 3;
    recolour.format.setForeground(QColor(0, 0, 255));
    auto highlighted = [&](const QList<QTextLayout::FormatRange> &recolours) {
        QImage image(300, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            layout.draw(&painter, QPointF(0, 0), { selection }, recolours);
        }
        QList<int> columns;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 220 && c.green() < 40 && c.blue() < 40) {
                    columns << x;
                    break;
                }
            }
        }
        return columns;
    };
    const QList<int> byQt = highlighted({});
    const QList<int> byRuns = highlighted({ recolour });
    ASSERT_GT(byQt.size(), 10);
    int differing = 0;
    for (int x = 0; x < 300; ++x)
        differing += byQt.contains(x) != byRuns.contains(x);
    EXPECT_LE(differing, 4) << byQt.size() << " columns by Qt, " << byRuns.size() << " by runs";
}

} // namespace
