#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QSizeF>

// Bringing an image to a fixed size: avatars to 48 x 48, wide pictures to the
// upload canvas. The result always has exactly the size asked for; the source
// is either cropped to fill it or scaled to fit inside it.
enum class FitMethod {
    CropCentred = 0, // fill, cut the overflow equally from both ends
    CropKeepStart = 1, // fill, keep the left (wide source) or top (tall source) edge
    CropKeepEnd = 2, // fill, keep the right or bottom edge
    ScaleToFit = 3, // whole picture, centred, the rest left transparent
};

// The method for a stored or passed integer code. Unknown codes scale to fit,
// which keeps the whole picture, and log one line.
FitMethod fitMethodFromCode(int code);

// Where the whole source lands when fitted into `target` (the part outside
// `target` is cut off when cropping). Sizes are rounded to whole points, crop
// offsets too; scale-to-fit offsets are exact halves of the free space.
// Answers an empty rectangle when either size is empty.
QRectF fittedImageRect(QSizeF sourceSize, const QRectF &target, FitMethod method);

// A new image of exactly `targetSize` points (times `devicePixelRatio` in
// pixels), premultiplied ARGB, transparent where the source is not drawn. A
// null or empty source gives a transparent canvas; an empty target size, or
// one too large to allocate, gives a null image.
QImage imageToFitSize(
    const QImage &source, QSize targetSize, FitMethod method, qreal devicePixelRatio = 1.0);
QImage imageToFitSize(
    const QImage &source, QSize targetSize, int methodCode, qreal devicePixelRatio = 1.0);
QImage imageCroppedToFitSize(const QImage &source, QSize targetSize, qreal devicePixelRatio = 1.0);
QImage imageScaledToFitSize(const QImage &source, QSize targetSize, qreal devicePixelRatio = 1.0);

// Draws `source` into `target` on `painter` by `method`, with high-quality
// resampling, the given composition mode and opacity (0 to 1). Nothing is
// drawn outside `target`.
void drawImageInRect(QPainter &painter, const QImage &source, const QRectF &target,
    QPainter::CompositionMode operation, qreal opacity, FitMethod method);

// Decodes a downloaded picture and crops it to fill `pixelSize`. A picture
// whose header claims more than `maxPixels` (a decompression bomb) is refused
// before any pixel is made; a large one is decoded straight to about twice
// the size where the format allows it. Anything else gives a null image.
QImage decodedToFill(const QByteArray &body, QSize pixelSize, qint64 maxPixels = 60'000'000);
