// The program's pictures are PNGs drawn at build time: each one the composer,
// the tray, the window and the About window name draws, and none brings an
// image or icon plugin into the process (the SVG ones would bring the SVG
// module with them).
#include "views/ProgramImages.h"

#include "TestSupport.h"
#include "text/ComposerRules.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// How many pixels of `icon`, drawn into a square of `side` pixels, are nearly opaque.
int coveredPixels(const QIcon &icon, int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    painter.end();
    int covered = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            covered += qAlpha(image.pixel(x, y)) > 200 ? 1 : 0;
    return covered;
}

QList<int> sides(const QIcon &icon)
{
    QList<int> sides;
    for (const QSize &size : icon.availableSizes())
        sides << size.width();
    std::sort(sides.begin(), sides.end());
    return sides;
}

} // namespace

TEST(ProgramImages, ThePicturesOfTheComposerTheTrayAndTheWindowsDrawWithoutAnImagePlugin)
{
    ASSERT_EQ(testsupport::loadedImagePlugins(), "");
    const std::pair<QIcon, int> pictures[] = {
        { programImage(ComposerRules::buttonImageFor(ComposerRules::NewPost)), 24 },
        { programImage(ComposerRules::buttonImageFor(ComposerRules::Reply)), 24 },
        { programImage(ComposerRules::buttonImageFor(ComposerRules::Quote)), 24 },
        { programImageSizes(QStringLiteral("status_off"), 64), 22 },
        { programImageSizes(QStringLiteral("status_off_blue"), 64), 22 },
        { programImageSizes(QStringLiteral("status_on"), 64), 22 },
        { programImageSizes(QStringLiteral("velto"), 128), 48 },
        { programImage(QStringLiteral("velto")), 96 },
    };
    for (const auto &[icon, side] : pictures) {
        ASSERT_FALSE(icon.isNull());
        EXPECT_GT(coveredPixels(icon, side), side * side / 20) << side;
    }
    EXPECT_EQ(testsupport::loadedImagePlugins(), "");
}

TEST(ProgramImages, APictureOfManySizesTakesThemUpToTheFirstLargeEnough)
{
    const QList<int> all = sides(programImageSizes(QStringLiteral("velto"), 100000));
    ASSERT_GE(all.size(), 3);
    // Just above the smallest size: the two smallest.
    EXPECT_EQ(sides(programImageSizes(QStringLiteral("velto"), all[0] + 1)), all.mid(0, 2));
    // Exactly a size: up to that one.
    EXPECT_EQ(sides(programImageSizes(QStringLiteral("velto"), all[1])), all.mid(0, 2));
    EXPECT_TRUE(programImageSizes(QStringLiteral("nonsense"), 64).isNull());
    EXPECT_TRUE(programImage(QStringLiteral("nonsense")).isNull());
}
