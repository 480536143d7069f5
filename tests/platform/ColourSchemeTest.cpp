// VELTO_PALETTE: dark and light set Fusion with that palette, anything else
// leaves the desktop's colours; the dark palette keeps its text readable.
#include "platform/ColourScheme.h"

#include "text/ReadableColors.h"

#include <QApplication>
#include <QStyle>

#include <gtest/gtest.h>

namespace {

class ColourSchemeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_palette = QApplication::palette();
        m_style = QApplication::style()->name();
    }
    void TearDown() override
    {
        qunsetenv(ColourScheme::environmentVariable);
        QApplication::setStyle(m_style);
        QApplication::setPalette(m_palette);
    }

    QPalette m_palette;
    QString m_style;
};

TEST_F(ColourSchemeTest, DarkAndLightSetFusionWithThatPaletteAndOtherNamesChangeNothing)
{
    qputenv(ColourScheme::environmentVariable, "Dark ");
    ASSERT_TRUE(ColourScheme::applyFromEnvironment());
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_TRUE(ReadableColors::isDark(QApplication::palette().color(QPalette::Base)));

    qputenv(ColourScheme::environmentVariable, "light");
    ASSERT_TRUE(ColourScheme::applyFromEnvironment());
    EXPECT_FALSE(ReadableColors::isDark(QApplication::palette().color(QPalette::Base)));

    const QPalette before = QApplication::palette();
    for (const char *other : { "solarized", "" }) {
        qputenv(ColourScheme::environmentVariable, other);
        EXPECT_FALSE(ColourScheme::applyFromEnvironment()) << other;
        EXPECT_EQ(QApplication::palette(), before) << other;
    }
}

TEST(ColourScheme, TheDarkPalettesTextReadsOnItsBackgrounds)
{
    using ReadableColors::contrastRatio;
    const QPalette dark = ColourScheme::darkPalette();
    for (const auto &[ink, under] : { std::pair { QPalette::Text, QPalette::Base },
             std::pair { QPalette::WindowText, QPalette::Window },
             std::pair { QPalette::ButtonText, QPalette::Button },
             std::pair { QPalette::HighlightedText, QPalette::Highlight },
             std::pair { QPalette::ToolTipText, QPalette::ToolTipBase },
             std::pair { QPalette::Link, QPalette::Base },
             std::pair { QPalette::LinkVisited, QPalette::Base } }) {
        EXPECT_GE(
            contrastRatio(dark.color(ink), dark.color(under)), ReadableColors::minimumTextContrast)
            << int(ink) << " on " << int(under);
    }
}

} // namespace
