#include "support/ImageFitting.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A picture of vertical (or horizontal) bands of solid colour, so that every
// pixel of a result tells which part of the source landed there.
QImage bands(
    QSize size, const QList<std::pair<int, QColor>> &stops, Qt::Orientation along = Qt::Horizontal)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    int start = 0;
    for (const auto &[length, colour] : stops) {
        if (along == Qt::Horizontal)
            p.fillRect(QRect(start, 0, length, size.height()), colour);
        else
            p.fillRect(QRect(0, start, size.width(), length), colour);
        start += length;
    }
    return image;
}

QImage quadrants(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, w, h, Qt::green);
    p.fillRect(0, h, w, h, Qt::blue);
    p.fillRect(w, h, w, h, Qt::yellow);
    return image;
}

// The colour a pixel is closest to, among those the tests paint with.
QString nearest(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    if (c.alpha() < 16)
        return QStringLiteral("clear");
    const std::pair<const char *, QColor> palette[] = { { "red", Qt::red }, { "green", Qt::green },
        { "blue", Qt::blue }, { "yellow", Qt::yellow } };
    QString best;
    int bestDistance = INT_MAX;
    for (const auto &[name, ref] : palette) {
        const int d = std::abs(c.red() - ref.red()) + std::abs(c.green() - ref.green())
            + std::abs(c.blue() - ref.blue());
        if (d < bestDistance) {
            bestDistance = d;
            best = QString::fromLatin1(name);
        }
    }
    return best;
}

// The row of nearest colours along y, one letter each (r g b y, '.' for clear).
QString rowOf(const QImage &image, int y)
{
    QString row;
    for (int x = 0; x < image.width(); ++x)
        row += nearest(image, x, y).at(0) == u'c' ? u'.' : nearest(image, x, y).at(0);
    return row;
}

QString columnOf(const QImage &image, int x)
{
    QString column;
    for (int y = 0; y < image.height(); ++y)
        column += nearest(image, x, y).at(0) == u'c' ? u'.' : nearest(image, x, y).at(0);
    return column;
}

QString repeat(QChar c, int n)
{
    return QString(n, c);
}

TEST(ImageFitting, WideImageScaledIntoSquareIsCentredWithEmptyBands)
{
    const QImage source = bands({ 1200, 400 }, { { 600, Qt::blue }, { 600, Qt::green } });
    const QImage fitted = imageScaledToFitSize(source, { 600, 600 });
    ASSERT_EQ(fitted.size(), QSize(600, 600));

    EXPECT_EQ(fittedImageRect(source.size(), QRectF(0, 0, 600, 600), FitMethod::ScaleToFit),
        QRectF(0, 200, 600, 200));
    // 200 points empty above and below, the picture between them.
    EXPECT_EQ(columnOf(fitted, 150), repeat(u'.', 200) + repeat(u'b', 200) + repeat(u'.', 200));
    EXPECT_EQ(columnOf(fitted, 450), repeat(u'.', 200) + repeat(u'g', 200) + repeat(u'.', 200));
    // The whole width of the source is there: its two halves meet in the middle.
    EXPECT_EQ(rowOf(fitted, 300), repeat(u'b', 300) + repeat(u'g', 300));
}

TEST(ImageFitting, AvatarCroppedToFillLosesEqualMarginsOrOneEnd)
{
    // 25 source points on each side fall off when 100 x 50 is drawn at 96 x 48.
    const QImage avatar
        = bands({ 100, 50 }, { { 25, Qt::red }, { 50, Qt::green }, { 25, Qt::blue } });
    const QRectF square(0, 0, 48, 48);

    EXPECT_EQ(
        fittedImageRect(avatar.size(), square, FitMethod::CropCentred), QRectF(-24, 0, 96, 48));
    const QImage centred = imageCroppedToFitSize(avatar, { 48, 48 });
    ASSERT_EQ(centred.size(), QSize(48, 48));
    for (int y : { 0, 24, 47 })
        EXPECT_EQ(rowOf(centred, y), repeat(u'g', 48)) << "row " << y;

    const QImage start = imageToFitSize(avatar, { 48, 48 }, 1);
    EXPECT_EQ(rowOf(start, 20), repeat(u'r', 24) + repeat(u'g', 24));

    const QImage end = imageToFitSize(avatar, { 48, 48 }, 2);
    EXPECT_EQ(rowOf(end, 20), repeat(u'g', 24) + repeat(u'b', 24));
}

TEST(ImageFitting, TallImageCropsAlongItsHeight)
{
    const QImage tall = bands(
        { 50, 100 }, { { 25, Qt::red }, { 50, Qt::green }, { 25, Qt::blue } }, Qt::Vertical);
    EXPECT_EQ(
        columnOf(imageToFitSize(tall, { 48, 48 }, FitMethod::CropCentred), 10), repeat(u'g', 48));
    EXPECT_EQ(columnOf(imageToFitSize(tall, { 48, 48 }, FitMethod::CropKeepStart), 10),
        repeat(u'r', 24) + repeat(u'g', 24));
    EXPECT_EQ(columnOf(imageToFitSize(tall, { 48, 48 }, FitMethod::CropKeepEnd), 10),
        repeat(u'g', 24) + repeat(u'b', 24));
    // Scaled to fit, it stands in the middle with clear sides.
    EXPECT_EQ(rowOf(imageToFitSize(tall, { 48, 48 }, FitMethod::ScaleToFit), 30),
        repeat(u'.', 12) + repeat(u'g', 24) + repeat(u'.', 12));
}

TEST(ImageFitting, SameAspectFillsTheTargetExactlyWithEveryMethod)
{
    const QImage source = quadrants({ 200, 100 });
    for (int method = 0; method <= 3; ++method) {
        const QImage fitted = imageToFitSize(source, { 100, 50 }, method);
        ASSERT_EQ(fitted.size(), QSize(100, 50));
        EXPECT_EQ(rowOf(fitted, 0), repeat(u'r', 50) + repeat(u'g', 50)) << "method " << method;
        EXPECT_EQ(rowOf(fitted, 49), repeat(u'b', 50) + repeat(u'y', 50)) << "method " << method;
        EXPECT_EQ(columnOf(fitted, 0), repeat(u'r', 25) + repeat(u'b', 25)) << "method " << method;
        EXPECT_EQ(columnOf(fitted, 99), repeat(u'g', 25) + repeat(u'y', 25)) << "method " << method;
    }
}

TEST(ImageFitting, SizesRoundToWholePointsAndCropOffsetsToo)
{
    const QRectF square(0, 0, 10, 10);
    // 10 / 3 = 3.33 rounds to 3; the free 7 points split as 3.5 either side.
    EXPECT_EQ(fittedImageRect({ 3, 1 }, square, FitMethod::ScaleToFit), QRectF(0, 3.5, 10, 3));
    // 10 x 1.5 = 15: the 5 extra points cannot split evenly; the offset rounds
    // away from zero.
    EXPECT_EQ(fittedImageRect({ 3, 2 }, square, FitMethod::CropCentred), QRectF(-3, 0, 15, 10));
    EXPECT_EQ(fittedImageRect({ 3, 2 }, square, FitMethod::CropKeepStart), QRectF(0, 0, 15, 10));
    EXPECT_EQ(fittedImageRect({ 3, 2 }, square, FitMethod::CropKeepEnd), QRectF(-5, 0, 15, 10));
    // 1000 x 333 into 600 x 600: 600 / 3.003 = 199.8, drawn 200 high.
    EXPECT_EQ(fittedImageRect({ 1000, 333 }, QRectF(0, 0, 600, 600), FitMethod::ScaleToFit),
        QRectF(0, 200, 600, 200));
    // The target's origin carries over.
    EXPECT_EQ(fittedImageRect({ 100, 50 }, QRectF(10, 20, 48, 48), FitMethod::CropCentred),
        QRectF(-14, 20, 96, 48));
}

TEST(ImageFitting, DrawingStaysInsideTheTargetRectangleWithItsOpacity)
{
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        drawImageInRect(p, bands({ 100, 50 }, { { 100, Qt::blue } }), QRectF(20, 20, 48, 48),
            QPainter::CompositionMode_SourceOver, 0.5, FitMethod::CropCentred);
    }
    EXPECT_EQ(canvas.pixelColor(19, 40), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(68, 40), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(40, 19), QColor(Qt::white));
    const QColor half = canvas.pixelColor(40, 40);
    EXPECT_NEAR(half.red(), 127, 2);
    EXPECT_NEAR(half.blue(), 255, 1);
}

TEST(ImageFitting, LargePhotoShrinksWithoutAliasing)
{
    // One-pixel stripes average to grey; point sampling would give black or white.
    QImage stripes(960, 960, QImage::Format_ARGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const QImage avatar = imageCroppedToFitSize(stripes, { 48, 48 });
    for (int x : { 0, 13, 30, 47 })
        EXPECT_NEAR(avatar.pixelColor(x, 24).red(), 128, 24) << "x " << x;
}

TEST(ImageFitting, OddInputStillGivesAnImageOfTheAskedSize)
{
    const QImage empty = imageCroppedToFitSize(QImage(), { 48, 48 });
    ASSERT_EQ(empty.size(), QSize(48, 48));
    EXPECT_EQ(empty.pixelColor(24, 24).alpha(), 0);

    EXPECT_TRUE(imageCroppedToFitSize(quadrants({ 10, 10 }), { 0, 48 }).isNull());
    EXPECT_TRUE(imageCroppedToFitSize(quadrants({ 10, 10 }), { -5, 5 }).isNull());

    // A strip too thin to show anything at the target size leaves the canvas clear.
    const QImage thin
        = imageScaledToFitSize(bands({ 10000, 1 }, { { 10000, Qt::red } }), { 600, 600 });
    ASSERT_EQ(thin.size(), QSize(600, 600));
    EXPECT_EQ(thin.pixelColor(300, 300).alpha(), 0);

    // Unknown codes keep the whole picture.
    EXPECT_EQ(fitMethodFromCode(9), FitMethod::ScaleToFit);
    EXPECT_EQ(rowOf(imageToFitSize(
                        bands({ 100, 50 }, { { 50, Qt::red }, { 50, Qt::blue } }), { 48, 48 }, 9),
                  24),
        repeat(u'r', 24) + repeat(u'b', 24));
    EXPECT_EQ(columnOf(imageToFitSize(bands({ 100, 50 }, { { 100, Qt::red } }), { 48, 48 }, -1), 5),
        repeat(u'.', 12) + repeat(u'r', 24) + repeat(u'.', 12));
}

TEST(ImageFitting, HighDensityCanvasHasTheLogicalSizeAndDoublePixels)
{
    const QImage fitted = imageCroppedToFitSize(
        bands({ 100, 50 }, { { 25, Qt::red }, { 50, Qt::green }, { 25, Qt::blue } }), { 48, 48 },
        2.0);
    EXPECT_EQ(fitted.size(), QSize(96, 96));
    EXPECT_EQ(fitted.deviceIndependentSize(), QSizeF(48, 48));
    EXPECT_EQ(rowOf(fitted, 50), repeat(u'g', 96));
}

} // namespace
