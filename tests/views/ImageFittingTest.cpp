#include "support/ImageFitting.h"
#include "TestSupport.h"
#include "support/ImageDecoding.h"

#include <QBuffer>
#include <QFile>

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string_view>

namespace {

const std::pair<char, QColor> palette[]
    = { { 'r', Qt::red }, { 'g', Qt::green }, { 'b', Qt::blue }, { 'y', Qt::yellow } };

// Bands of solid colour along the width (or the height), one for each letter
// of `colours`, so that every pixel of a result tells which part of the
// source landed there.
QImage bands(QSize size, std::string_view colours, Qt::Orientation along = Qt::Horizontal)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    const int count = int(colours.size());
    const int length = (along == Qt::Horizontal ? size.width() : size.height()) / count;
    for (int i = 0; i < count; ++i) {
        const auto found = std::find_if(std::begin(palette), std::end(palette),
            [&](const auto &entry) { return entry.first == colours[i]; });
        p.fillRect(along == Qt::Horizontal ? QRect(i * length, 0, length, size.height())
                                           : QRect(0, i * length, size.width(), length),
            found->second);
    }
    return image;
}

// The nearest of the painted colours along a row or a column, one letter
// each (r g b y, '.' for clear).
QString lineOf(const QImage &image, int at, Qt::Orientation along)
{
    QString line;
    const int length = along == Qt::Horizontal ? image.width() : image.height();
    for (int i = 0; i < length; ++i) {
        const QColor c
            = along == Qt::Horizontal ? image.pixelColor(i, at) : image.pixelColor(at, i);
        if (c.alpha() < 16) {
            line += u'.';
            continue;
        }
        int best = INT_MAX;
        char letter = 0;
        for (const auto &[name, ref] : palette) {
            const int d = std::abs(c.red() - ref.red()) + std::abs(c.green() - ref.green())
                + std::abs(c.blue() - ref.blue());
            if (d < best) {
                best = d;
                letter = name;
            }
        }
        line += QLatin1Char(letter);
    }
    return line;
}

QString run(const char *pattern)
{
    // "200. 200b" reads as 200 clear then 200 blue.
    QString out;
    for (const QString &part : QString::fromLatin1(pattern).split(u' '))
        out += QString(part.chopped(1).toInt(), part.back());
    return out;
}

TEST(ImageFitting, EachMethodKeepsThePartOfThePictureItPromises)
{
    const struct {
        const char *what;
        QImage source;
        QSize target;
        int method;
        Qt::Orientation along;
        int at;
        const char *expected;
    } cases[] = {
        { "wide into a square: centred between clear bands", bands({ 1200, 400 }, "bg"),
            { 600, 600 }, 3, Qt::Vertical, 150, "200. 200b 200." },
        { "both halves of it meet in the middle", bands({ 1200, 400 }, "bg"), { 600, 600 }, 3,
            Qt::Horizontal, 300, "300b 300g" },
        { "an avatar cropped centred loses equal margins", bands({ 100, 50 }, "rggb"), { 48, 48 },
            0, Qt::Horizontal, 24, "48g" },
        { "kept at its start", bands({ 100, 50 }, "rggb"), { 48, 48 }, 1, Qt::Horizontal, 20,
            "24r 24g" },
        { "kept at its end", bands({ 100, 50 }, "rggb"), { 48, 48 }, 2, Qt::Horizontal, 20,
            "24g 24b" },
        { "tall cropped along its height", bands({ 50, 100 }, "rggb", Qt::Vertical), { 48, 48 }, 1,
            Qt::Vertical, 10, "24r 24g" },
        { "tall scaled stands between clear sides", bands({ 50, 100 }, "rggb", Qt::Vertical),
            { 48, 48 }, 3, Qt::Horizontal, 30, "12. 24g 12." },
        { "an unknown code keeps the whole picture", bands({ 100, 50 }, "rb"), { 48, 48 }, 9,
            Qt::Horizontal, 24, "24r 24b" },
        { "so does a negative one", bands({ 100, 50 }, "r"), { 48, 48 }, -1, Qt::Vertical, 5,
            "12. 24r 12." },
    };
    for (const auto &c : cases) {
        const QImage fitted = imageToFitSize(c.source, c.target, c.method);
        ASSERT_EQ(fitted.size(), c.target) << c.what;
        EXPECT_EQ(lineOf(fitted, c.at, c.along), run(c.expected)) << c.what;
    }
    // The same aspect fills the target exactly with every method.
    for (int method = 0; method <= 3; ++method) {
        const QImage fitted = imageToFitSize(bands({ 200, 100 }, "rg"), { 100, 50 }, method);
        EXPECT_EQ(lineOf(fitted, 0, Qt::Horizontal), run("50r 50g")) << method;
        EXPECT_EQ(lineOf(fitted, 0, Qt::Vertical), run("50r")) << method;
    }
}

TEST(ImageFitting, SizesRoundToWholePointsAndCropOffsetsToo)
{
    const QRectF square(0, 0, 10, 10);
    const struct {
        QSizeF source;
        QRectF target;
        FitMethod method;
        QRectF drawn;
    } cases[] = {
        // 10 / 3 = 3.33 rounds to 3; the free 7 points split as 3.5 either side.
        { { 3, 1 }, square, FitMethod::ScaleToFit, QRectF(0, 3.5, 10, 3) },
        // 15 wide: the 5 extra points cannot split evenly; the offset rounds away from zero.
        { { 3, 2 }, square, FitMethod::CropCentred, QRectF(-3, 0, 15, 10) },
        { { 3, 2 }, square, FitMethod::CropKeepStart, QRectF(0, 0, 15, 10) },
        { { 3, 2 }, square, FitMethod::CropKeepEnd, QRectF(-5, 0, 15, 10) },
        // 600 / 3.003 = 199.8, drawn 200 high.
        { { 1000, 333 }, QRectF(0, 0, 600, 600), FitMethod::ScaleToFit, QRectF(0, 200, 600, 200) },
        // The target's origin carries over.
        { { 100, 50 }, QRectF(10, 20, 48, 48), FitMethod::CropCentred, QRectF(-14, 20, 96, 48) },
    };
    for (const auto &c : cases)
        EXPECT_EQ(fittedImageRect(c.source, c.target, c.method), c.drawn) << c.source.width();
}

TEST(ImageFitting, DrawingStaysInsideTheTargetWithItsOpacityAndShrinksWithoutAliasing)
{
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        drawImageInRect(p, bands({ 100, 50 }, "b"), QRectF(20, 20, 48, 48),
            QPainter::CompositionMode_SourceOver, 0.5, FitMethod::CropCentred);
    }
    for (const QPoint outside : { QPoint(19, 40), QPoint(68, 40), QPoint(40, 19) })
        EXPECT_EQ(canvas.pixelColor(outside), QColor(Qt::white));
    EXPECT_NEAR(canvas.pixelColor(40, 40).red(), 127, 2);

    // One-pixel stripes average to grey; point sampling would give black or white.
    QImage stripes(960, 960, QImage::Format_ARGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const QImage avatar = imageCroppedToFitSize(stripes, { 48, 48 });
    for (int x : { 0, 13, 30, 47 })
        EXPECT_NEAR(avatar.pixelColor(x, 24).red(), 128, 24) << "x " << x;
}

TEST(ImageFitting, OddInputAndHighDensityStillGiveAnImageOfTheAskedSize)
{
    const QImage empty = imageCroppedToFitSize(QImage(), { 48, 48 });
    ASSERT_EQ(empty.size(), QSize(48, 48));
    EXPECT_EQ(empty.pixelColor(24, 24).alpha(), 0);
    EXPECT_TRUE(imageCroppedToFitSize(bands({ 10, 10 }, "r"), { 0, 48 }).isNull());
    EXPECT_TRUE(imageCroppedToFitSize(bands({ 10, 10 }, "r"), { -5, 5 }).isNull());
    // A strip too thin to show anything at the target size leaves the canvas clear.
    const QImage thin = imageScaledToFitSize(bands({ 10000, 1 }, "r"), { 600, 600 });
    ASSERT_EQ(thin.size(), QSize(600, 600));
    EXPECT_EQ(thin.pixelColor(300, 300).alpha(), 0);

    const QImage dense = imageCroppedToFitSize(bands({ 100, 50 }, "rggb"), { 48, 48 }, 2.0);
    EXPECT_EQ(dense.size(), QSize(96, 96));
    EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(48, 48));
    EXPECT_EQ(lineOf(dense, 50, Qt::Horizontal), run("96g"));
}

QByteArray encoded(const QImage &image, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

// A picture of `size` decodes, whole and cropped, with its red intact.
void expectRedPicture(const QByteArray &data, QSize size)
{
    const QImage image = decodedImage(data);
    ASSERT_EQ(image.size(), size) << data.left(4).toHex().constData();
    EXPECT_GT(image.pixelColor(0, 0).red(), 200);
    EXPECT_LT(image.pixelColor(0, 0).green(), 50);
    EXPECT_EQ(decodedToFill(data, { 2, 2 }).size(), QSize(2, 2));
}

TEST(ImageDecoding, CommonFormatsDecodeWithoutLoadingOtherImagePlugins)
{
    // Written out, as writing a picture with the toolkit loads every plugin:
    // one red pixel each.
    const QByteArray png
        = QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000000100000001080200"
                              "0000907753de0000000c49444154789c63f8cfc0000003010100c9"
                              "fe92ef0000000049454e44ae426082");
    const QByteArray gif = QByteArray::fromHex(
        "474946383961010001008000 00ff0000000000 2c00000000010001000002024401003b");
    // Plugins a test before this one loaded stay out of the count.
    const QStringList before
        = QString::fromStdString(testsupport::loadedImagePlugins()).split(u' ');
    const auto added = [&] {
        QStringList now = QString::fromStdString(testsupport::loadedImagePlugins()).split(u' ');
        now.removeIf([&](const QString &name) { return before.contains(name); });
        return now.join(u' ').toStdString();
    };
    expectRedPicture(png, { 1, 1 });
    EXPECT_EQ(added(), "");
    expectRedPicture(gif, { 1, 1 });
    // Only the GIF plugin, unless a test before this one loaded it.
    EXPECT_TRUE(added() == "libqgif.so" || added().empty()) << added();

    const QImage red = bands({ 6, 4 }, "r");
    expectRedPicture(encoded(red, "JPEG"), { 6, 4 });
    // Not named by its first bytes: read all the same.
    expectRedPicture(encoded(red, "BMP"), { 6, 4 });
    // A damaged picture that starts like one is no picture.
    EXPECT_TRUE(decodedImage(png.left(40)).isNull());
    EXPECT_TRUE(decodedImage("\x89PNG\r\n\x1a\n but nothing more").isNull());
}

} // namespace
