// The menu bar's overflow button gets its picture without the toolkit
// loading any image plugin, in the colours of the palette in use.
#include "platform/ProgramStyle.h"

#include "TestSupport.h"
#include "platform/ColourScheme.h"
#include "text/ReadableColors.h"

#include <QApplication>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

// How dark the darkest drawn pixel of `icon` is, from 0 (black) to 255.
int darkestDrawn(const QIcon &icon)
{
    const QImage image = icon.pixmap(24, 24).toImage();
    int darkest = 256;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 128)
                darkest = qMin(darkest, image.pixelColor(x, y).value());
    return darkest;
}

TEST(ProgramStyle, TheMenuBarLoadsNoImagePluginAndItsOverflowReadsOnEitherPalette)
{
    ASSERT_EQ(testsupport::loadedImagePlugins(), "");
    const QPalette before = QApplication::palette();
    ProgramStyle::install();
    QMenuBar bar;
    bar.show();
    EXPECT_EQ(testsupport::loadedImagePlugins(), "");
    EXPECT_EQ(QApplication::palette(), before);

    const QIcon chevrons
        = QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    EXPECT_LT(darkestDrawn(chevrons), 128);
    // A dark palette set before keeps, and the chevrons turn light with it.
    qputenv(ColourScheme::environmentVariable, "dark");
    ASSERT_TRUE(ColourScheme::applyFromEnvironment());
    ProgramStyle::install();
    qunsetenv(ColourScheme::environmentVariable);
    EXPECT_TRUE(ReadableColors::isDark(QApplication::palette().color(QPalette::Base)));
    EXPECT_GT(darkestDrawn(chevrons), 128);
    EXPECT_GT(darkestDrawn(
                  QApplication::style()->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton)),
        128);
}

} // namespace
