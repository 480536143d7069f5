// The contrast of the colours the list really draws, under a light and a
// dark palette: every text colour reaches 4.5:1 on every background it is
// drawn on, keeps its hue, and the light look is the list's own.
#include "text/ReadableColors.h"
#include "text/EntityMarking.h"
#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"
#include "views/TimelineDelegate.h"

#include <QStyle>
#include <QStyleFactory>

#include <gtest/gtest.h>

#include <memory>

using namespace ReadableColors;

namespace {

QPalette lightPalette()
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    return dark;
}

TEST(ReadableColors, ContrastAndMovedColoursKeepTheirHue)
{
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(contrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 1e-9);
    EXPECT_TRUE(isDark(QColor(0x23, 0x23, 0x23)));
    EXPECT_FALSE(isDark(QColor(0xfd, 0xf6, 0xe2)));

    const QColor link = EntityMarking::linkColor();
    EXPECT_EQ(readableOn(link, Qt::white), link) << "a readable colour is left alone";
    const QColor onDark = readableOn(link, QColor(0x23, 0x23, 0x23));
    EXPECT_GE(contrastRatio(onDark, QColor(0x23, 0x23, 0x23)), minimumTextContrast);
    EXPECT_GT(onDark.lightness(), link.lightness());
    EXPECT_NEAR(onDark.hslHueF(), link.hslHueF(), 0.02);
}

TEST(ReadableColors, EveryTextColourOfARowReadsOnItsBackgroundsInBothPalettes)
{
    const StyledText post = PostTextStyling::styledPostText(
        QStringLiteral("Hi @alice, see www.example.com for #coffee"), 0);
    const StyledTextLayout laidOut(post, 300);
    for (const QPalette &palette : { lightPalette(), darkPalette() }) {
        const TimelineDelegate::RowColors colors = TimelineDelegate::rowColors(palette);
        EXPECT_EQ(isDark(colors.background), isDark(palette.color(QPalette::Base)));
        for (const QColor &background :
            { colors.background, colors.mention, colors.selectedBottom, colors.selectedTop }) {
            for (const QColor &ink : { colors.name, colors.atName, colors.date })
                EXPECT_GE(
                    contrastRatio(readableOn(ink, background), background), minimumTextContrast);
            // The post's own colours (text, mention, link, hashtag), as drawn.
            const QList<QTextLayout::FormatRange> moved = laidOut.readableFormatsOn(background);
            for (const StyledText::Run &run : post.runs()) {
                QColor drawn = run.attributes.color.isValid() ? run.attributes.color
                                                              : post.baseStyle()->color;
                for (const QTextLayout::FormatRange &over : moved)
                    if (over.start == run.start)
                        drawn = over.format.foreground().color();
                EXPECT_GE(contrastRatio(drawn, background), minimumTextContrast)
                    << drawn.name().toStdString() << " on " << background.name().toStdString();
            }
        }
    }
    // Under a light palette the list keeps its own look.
    const TimelineDelegate::RowColors light = TimelineDelegate::rowColors(lightPalette());
    EXPECT_EQ(light.background, QColor(Qt::white));
    EXPECT_EQ(light.mention, TimelineDelegate::mentionColor());
    // Only what falls short on white moves, and the text and links do not.
    for (const QTextLayout::FormatRange &over : laidOut.readableFormatsOn(Qt::white)) {
        const StyledText::Run *run = nullptr;
        for (const StyledText::Run &r : post.runs())
            if (r.start == over.start)
                run = &r;
        ASSERT_TRUE(run && run->attributes.color.isValid()) << "the plain text keeps its colour";
        EXPECT_LT(contrastRatio(run->attributes.color, Qt::white), minimumTextContrast);
        EXPECT_NE(run->attributes.color, EntityMarking::linkColor());
    }
}

} // namespace
