#include "text/DragImageView.h"
#include "core/AppPaths.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

namespace {

TEST(DragImageView, DragStartsThreePointsAway)
{
    EXPECT_FALSE(DragImageView::isDragDistance(QPointF(10, 10), QPointF(12, 12)));
    EXPECT_FALSE(DragImageView::isDragDistance(QPointF(10, 10), QPointF(12.99, 10)));
    EXPECT_TRUE(DragImageView::isDragDistance(QPointF(10, 10), QPointF(13, 10)));
    EXPECT_TRUE(DragImageView::isDragDistance(QPointF(10, 10), QPointF(10, 7)));
}

TEST(DragImageView, TheDraggedFileIsAJpegNamedPhotoPng)
{
    EXPECT_EQ(
        DragImageView::dragFilePath(), AppPaths::supportFolder() + QStringLiteral("/Photo.png"));
    QImage image(30, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, Qt::red);
    const QString path = DragImageView::dragFilePath();
    QFile::remove(path);
    ASSERT_TRUE(DragImageView::writeDragFile(image, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == QByteArray("\xFF\xD8", 2));
    file.close();
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage back = reader.read();
    EXPECT_EQ(back.size(), QSize(30, 20));
    // Transparent parts become white, not black.
    EXPECT_GT(back.pixelColor(20, 15).lightness(), 240);

    EXPECT_FALSE(DragImageView::writeDragFile(QImage(), path));
    EXPECT_FALSE(
        DragImageView::writeDragFile(image, QStringLiteral("/proc/velto-cannot/Photo.png")));
}

TEST(DragImageView, ShowsWhatDecodesAndSaysWhenNothingDoes)
{
    DragImageView view;
    view.setPlaceholderText(QStringLiteral("nothing"));
    EXPECT_FALSE(view.setImageData(QByteArray("GIF89a but not really")));
    EXPECT_TRUE(view.image().isNull());
    EXPECT_FALSE(view.setImageData(QByteArray()));

    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    EXPECT_TRUE(view.setImageData(png));
    EXPECT_EQ(view.image().size(), QSize(12, 7));
    EXPECT_FALSE(view.isAnimated());

    view.resize(100, 100);
    view.setImage(QImage());
    EXPECT_TRUE(view.image().isNull());
}

} // namespace
