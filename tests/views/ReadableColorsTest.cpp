// The contrast of the colours the list and the side bar really draw, under a
// light and two dark palettes (one of them the program's own): every text
// colour reaches 4.5:1 on every background it is drawn on, keeps its hue,
// and the light look is the list's and the bar's own.
#include "text/ReadableColors.h"
#include "platform/ColourScheme.h"
#include "text/EntityMarking.h"
#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"
#include "views/SideBar.h"
#include "views/SideBarButton.h"
#include "views/SideBarColours.h"
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
    for (const QPalette &palette : { lightPalette(), darkPalette(), ColourScheme::darkPalette() }) {
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

TEST(ReadableColors, SideBarTitlesReadOnTheirFillsAndALightPaletteKeepsTheBarsOwnLook)
{
    for (const QPalette &palette : { lightPalette(), darkPalette(), ColourScheme::darkPalette() }) {
        QWidget window;
        window.setPalette(palette);
        SideBar bar(&window);
        bar.addButtonWithTitle(QStringLiteral("Stream"), QIcon(), QIcon());
        bar.addButtonWithTitle(QStringLiteral("Posts"), QIcon(), QIcon());
        bar.selectButtonAtRow(0);
        const QList<SideBarButton *> buttons = bar.findChildren<SideBarButton *>();
        ASSERT_EQ(buttons.size(), 2);
        for (const SideBarButton *button : buttons)
            EXPECT_GE(contrastRatio(button->titleColor(), button->fillColor()), minimumTextContrast)
                << (button->isChecked() ? "selected " : "")
                << button->titleColor().name().toStdString() << " on "
                << button->fillColor().name().toStdString();
        EXPECT_NE(buttons[0]->fillColor(), buttons[1]->fillColor()) << "the selection shows";
    }
    // A light desktop: the bar stays dark grey with a white selected title.
    const SideBarColours light = SideBarColours::forPalette(lightPalette());
    EXPECT_EQ(light.fill, QColor::fromRgbF(0.25f, 0.25f, 0.25f));
    EXPECT_EQ(light.selectedTitle, QColor(Qt::white));
    EXPECT_NEAR(light.title.hslSaturationF(), 0.0, 1e-6) << "the dim title stays grey";
    // A dark desktop: the bar is a shade of the palette's window.
    const SideBarColours dark = SideBarColours::forPalette(darkPalette());
    EXPECT_LT(dark.background.lightness(), darkPalette().color(QPalette::Window).lightness());
    EXPECT_EQ(dark.selectedTitle, darkPalette().color(QPalette::WindowText));
    QWidget darkWindow;
    darkWindow.setPalette(darkPalette());
    SideBar darkBar(&darkWindow);
    EXPECT_EQ(darkBar.backgroundColor(), dark.background);
}

} // namespace
