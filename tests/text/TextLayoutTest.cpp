#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

StyledText styled(const QString &text, qint64 fontSize = 0)
{
    return PostTextStyling::styledText(text, fontSize);
}

QImage drawn(const StyledTextLayout &layout, QColor ground,
    const QList<QTextLayout::FormatRange> &selections = {},
    const QList<QTextLayout::FormatRange> &recolours = {})
{
    QImage image(300, 40, QImage::Format_ARGB32);
    image.fill(ground);
    QPainter painter(&image);
    layout.draw(&painter, QPointF(0, 0), selections, recolours);
    return image;
}

TEST(TextMeasure, HeightFollowsLinesWrappingFontSizeAndTheLimit)
{
    EXPECT_EQ(heightForWidth(styled(QString()), 300), 0);
    EXPECT_EQ(sizeForWidth(StyledText(), 300, 100), QSizeF(0, 0));
    const qreal one = heightForWidth(styled(QStringLiteral("short")), 300);
    EXPECT_TRUE(one > 8 && one < 40) << one;
    EXPECT_NEAR(heightForWidth(styled(QStringLiteral("short\nsecond\r\nthird")), 300), 3 * one, 1);
    EXPECT_NEAR(heightForWidth(styled(QStringLiteral("a\u2029b")), 300), 2 * one, 1.0);
    const StyledText sentence
        = styled(QStringLiteral("the quick brown fox jumps over the lazy dog ").repeated(6));
    EXPECT_NEAR(heightForWidth(sentence, 2000), one, 1.0);
    EXPECT_GT(heightForWidth(sentence, 150), 4 * one);
    EXPECT_GT(heightForWidth(styled(QStringLiteral("short"), 1), 300), one);
    EXPECT_LT(heightForWidth(styled(QStringLiteral("short"), 2), 300), one);

    // The used width includes the padding and never exceeds the box.
    const QSizeF word
        = sizeForWidth(styled(QStringLiteral("hello")), 300, StyledTextLayout::unboundedHeight);
    EXPECT_TRUE(word.width() > 2 * StyledTextLayout::lineFragmentPadding && word.width() < 300);
    EXPECT_LE(sizeForWidth(styled(QStringLiteral("word ").repeated(100)), 300,
                  StyledTextLayout::unboundedHeight)
                  .width(),
        300);

    // A height limit drops the lines that do not fit.
    const StyledText four = styled(QStringLiteral("a\nb\nc\nd"));
    EXPECT_NEAR(sizeForWidth(four, 300, 2 * one + 1).height(), 2 * one, 0.5);
    EXPECT_EQ(sizeForWidth(four, 300, one / 2).height(), 0);

    // Huge words wrap; odd widths and odd text do not crash.
    EXPECT_GT(heightForWidth(styled(QString(10000, u'm')), 300), 50 * one);
    for (const qreal width : { 0.0, -20.0, std::nan("") })
        EXPECT_GT(heightForWidth(styled(QStringLiteral("abc")), width), 0) << width;
    const StyledText odd
        = styled(QString::fromUtf8("\U0001F600 \u05e9\u05dc\u05d5\u05dd e\u0301 ") + QChar(0xD800));
    EXPECT_GT(heightForWidth(odd, 120), 0);
}

TEST(TextHitTest, FindsEachCharacterOnceInOrderAndNothingBesideTheText)
{
    const StyledText s = styled(QStringLiteral("see #tag\nsecond line @bob"));
    const StyledTextLayout layout(s, 400);
    const qreal line = layout.usedSize().height() / 2;
    // Walk across both lines: every character but the line break is found
    // once, in order, and nothing in the padding or beyond a line's end.
    QList<int> seen;
    QPointF onTag, onLast;
    for (const qreal y : { line / 2, line * 1.5 }) {
        EXPECT_EQ(layout.characterIndexAt(QPointF(1, y)), -1);
        for (qreal x = 0; x < 400; x += 0.5) {
            const int index = layout.characterIndexAt(QPointF(x, y));
            if (index >= 0 && (seen.isEmpty() || seen.last() != index))
                seen.append(index);
            if (index == 5)
                onTag = QPointF(x, y);
            if (index == s.length() - 1)
                onLast = QPointF(x, y);
        }
    }
    QList<int> expected(s.length());
    std::iota(expected.begin(), expected.end(), 0);
    expected.removeAt(8);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(layout.characterIndexAt(QPointF(20, -1)), -1);
    EXPECT_EQ(layout.characterIndexAt(QPointF(20, layout.usedSize().height() + 1)), -1);

    // What the delegate asks: the attributes or the character under a point.
    const TextAttributes tag = entityAt(s, 400, onTag);
    EXPECT_EQ(tag.hash, u"#tag");
    EXPECT_TRUE(tag.pointingHand);
    EXPECT_EQ(layout.attributesAt(onLast).user, u"@bob");
    EXPECT_EQ(characterIndexAt(s, 400, onLast), s.length() - 1);
}

TEST(TextPainting, DrawsTextShadowAndEmojiInTheirColours)
{
    // The fox comes from the colour emoji font, not as an empty box.
    const StyledText s = styled(QString::fromUtf8("MMMM #tag \U0001F98A"));
    const QImage image = drawn(StyledTextLayout(s, 300), Qt::black);
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
        const QImage image = drawn(layout, Qt::white, { selection }, recolours);
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
