#include "views/SideBar.h"
#include "views/SideBarBackground.h"
#include "views/SideBarButton.h"
#include "views/SideBarImages.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QIcon solid(Qt::GlobalColor colour)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QImage rendered(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The brightest grey level among the pixels of `area`.
int brightest(const QImage &image, const QRect &area)
{
    int best = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, qGray(image.pixel(x, y)));
    return best;
}

TEST(SideBarButtonPainting, SelectedAndUnselectedLooks)
{
    SideBarButton button;
    button.resize(64, 48);
    button.setText(QStringLiteral("Mentions"));
    button.setImage(solid(Qt::red));
    button.setAlternateImage(solid(Qt::blue));

    button.setChecked(true);
    QImage on = rendered(button);
    const QPoint imageCentre = button.imageRect().center();
    EXPECT_EQ(on.pixelColor(imageCentre), QColor(Qt::red));
    EXPECT_EQ(on.pixelColor(1, 1), QColor(54, 54, 54)); // white 0.21
    EXPECT_GT(brightest(on, button.titleRect()), 200); // white title

    button.setChecked(false);
    QImage off = rendered(button);
    EXPECT_EQ(off.pixelColor(imageCentre), QColor(Qt::blue));
    EXPECT_EQ(off.pixelColor(1, 1), QColor(64, 64, 64)); // white 0.25
    const int titleLevel = brightest(off, button.titleRect());
    // The title is drawn in a grey dimmer than the selected white, yet light
    // enough to read at 4.5:1 on the fill (about 170 where 128 would not).
    EXPECT_GT(titleLevel, 160);
    EXPECT_LT(titleLevel, 200);

    // Without an alternate image the unselected button shows the main one.
    button.setAlternateImage(QIcon());
    EXPECT_EQ(rendered(button).pixelColor(imageCentre), QColor(Qt::red));
}

TEST(SideBarBackground, DarkFillWithAFaintStillGrain)
{
    const QImage &tile = sideBarNoiseTile();
    ASSERT_FALSE(tile.isNull());
    EXPECT_TRUE(tile.isGrayscale());
    EXPECT_EQ(tile, sideBarNoiseTile());
    const uchar *bytes = tile.constBits();
    const auto [lo, hi] = std::minmax_element(bytes, bytes + tile.sizeInBytes());
    EXPECT_LT(*lo, 20);
    EXPECT_GT(*hi, 235);

    // Over black: 0.235 x 0.9 of white is 54; the grain moves it by a few levels.
    SideBar bar;
    bar.resize(60, 200);
    const QImage image = rendered(bar);
    int lowest = 255, highest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            lowest = std::min(lowest, qGray(image.pixel(x, y)));
            highest = std::max(highest, qGray(image.pixel(x, y)));
        }
    EXPECT_GE(lowest, 48);
    EXPECT_LE(highest, 66);
    EXPECT_GT(highest - lowest, 4);
}

TEST(SideBarImages, EveryStreamHasASelectedAndAnUnselectedPicture)
{
    for (const char *stream : { "stream", "posts", "mentions", "global", "starred" }) {
        int level[2] = { 0, 0 };
        int index = 0;
        for (const char *state : { "On", "Off" }) {
            const QString name = QString::fromLatin1(stream) + QString::fromLatin1(state);
            const QIcon icon = sideBarImage(name);
            ASSERT_FALSE(icon.isNull()) << qPrintable(name);
            QImage image(24, 24, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            icon.paint(&painter, image.rect());
            painter.end();
            int covered = 0;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 24; ++x)
                    if (qAlpha(image.pixel(x, y)) > 200) {
                        ++covered;
                        level[index] = std::max(level[index], qGray(image.pixel(x, y)));
                    }
            EXPECT_GT(covered, 40) << qPrintable(name);
            ++index;
        }
        EXPECT_EQ(level[0], 255) << stream << ": selected pictures are white";
        EXPECT_LT(level[1], 160) << stream << ": unselected pictures are grey";
    }
    EXPECT_TRUE(sideBarImage(QStringLiteral("nonsense")).isNull());
}

TEST(SideBarImages, SelectionNotchPointsLeftInTheListColour)
{
    const QImage notch = sideBarSelectionImage(QColor(250, 250, 250)).toImage();
    ASSERT_EQ(notch.size(), QSize(8, 16));
    EXPECT_EQ(qAlpha(notch.pixel(0, 0)), 0);
    EXPECT_EQ(notch.pixelColor(6, 8), QColor(250, 250, 250));
    EXPECT_EQ(sideBarSelectionImage(Qt::white, 2.0).size(), QSize(16, 32));
}

} // namespace
