#include "support/ImageFitting.h"

#include "support/ImageDecoding.h"

#include <QBuffer>
#include <QImageReader>
#include <QLoggingCategory>

#include <cmath>

namespace {
Q_LOGGING_CATEGORY(lcFitting, "velto.imagefitting")

// Rounding to whole points goes half away from zero, so a negative crop offset
// of -2.5 cuts 3 points from the start and 2 from the end.
qreal roundPoints(qreal v)
{
    return std::round(v);
}

bool isCrop(FitMethod m)
{
    return m != FitMethod::ScaleToFit;
}

} // namespace

FitMethod fitMethodFromCode(int code)
{
    switch (code) {
    case 0:
        return FitMethod::CropCentred;
    case 1:
        return FitMethod::CropKeepStart;
    case 2:
        return FitMethod::CropKeepEnd;
    case 3:
        return FitMethod::ScaleToFit;
    default:
        qCWarning(lcFitting) << "Unknown image fitting method" << code << "- scaling to fit";
        return FitMethod::ScaleToFit;
    }
}

QRectF fittedImageRect(QSizeF sourceSize, const QRectF &target, FitMethod method)
{
    if (sourceSize.isEmpty() || target.isEmpty())
        return {};
    const qreal W = target.width();
    const qreal H = target.height();
    const qreal aspect = sourceSize.width() / sourceSize.height();
    const bool widerThanTarget = aspect > W / H;

    // Scaling fits the long side; cropping covers with the short side.
    const bool matchWidth = isCrop(method) ? !widerThanTarget : widerThanTarget;
    const QSizeF drawn
        = matchWidth ? QSizeF(W, roundPoints(W / aspect)) : QSizeF(roundPoints(H * aspect), H);

    qreal x = (W - drawn.width()) / 2;
    qreal y = (H - drawn.height()) / 2;
    switch (method) {
    case FitMethod::ScaleToFit:
        break;
    case FitMethod::CropCentred:
        x = roundPoints(x);
        y = roundPoints(y);
        break;
    case FitMethod::CropKeepStart:
        x = 0;
        y = 0;
        break;
    case FitMethod::CropKeepEnd:
        x = W - drawn.width();
        y = H - drawn.height();
        break;
    }
    return QRectF(target.topLeft() + QPointF(x, y), drawn);
}

void drawImageInRect(QPainter &painter, const QImage &source, const QRectF &target,
    QPainter::CompositionMode operation, qreal opacity, FitMethod method)
{
    const QRectF dest = fittedImageRect(source.size(), target, method);
    const QRectF visible = dest.intersected(target);
    if (visible.isEmpty())
        return;

    // Only the part of the source that stays visible is drawn, so cropping a
    // long strip never resamples the whole oversized picture.
    const qreal toSourceX = source.width() / dest.width();
    const qreal toSourceY = source.height() / dest.height();
    const QRectF sourcePart((visible.x() - dest.x()) * toSourceX,
        (visible.y() - dest.y()) * toSourceY, visible.width() * toSourceX,
        visible.height() * toSourceY);

    painter.save();
    // With smoothing on, the raster engine averages over the source when it
    // shrinks a picture a lot, so a large photo does not alias as an avatar.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(operation);
    painter.setOpacity(qBound(0.0, opacity, 1.0));
    painter.setClipRect(target, Qt::IntersectClip);
    painter.drawImage(visible, source, sourcePart);
    painter.restore();
}

QImage imageToFitSize(
    const QImage &source, QSize targetSize, FitMethod method, qreal devicePixelRatio)
{
    if (targetSize.isEmpty() || !(devicePixelRatio > 0))
        return {};
    const QSize pixels(qRound(targetSize.width() * devicePixelRatio),
        qRound(targetSize.height() * devicePixelRatio));
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        qCWarning(lcFitting) << "Cannot allocate an image of" << pixels;
        return {};
    }
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    if (source.isNull() || source.size().isEmpty())
        return canvas;

    QPainter painter(&canvas);
    drawImageInRect(painter, source, QRectF(QPointF(0, 0), QSizeF(targetSize)),
        QPainter::CompositionMode_SourceOver, 1.0, method);
    painter.end();
    return canvas;
}

QImage imageToFitSize(
    const QImage &source, QSize targetSize, int methodCode, qreal devicePixelRatio)
{
    return imageToFitSize(source, targetSize, fitMethodFromCode(methodCode), devicePixelRatio);
}

QImage imageCroppedToFitSize(const QImage &source, QSize targetSize, qreal devicePixelRatio)
{
    return imageToFitSize(source, targetSize, FitMethod::CropCentred, devicePixelRatio);
}

QImage imageScaledToFitSize(const QImage &source, QSize targetSize, qreal devicePixelRatio)
{
    return imageToFitSize(source, targetSize, FitMethod::ScaleToFit, devicePixelRatio);
}

QImage decodedToFill(const QByteArray &body, QSize pixelSize, qint64 maxPixels)
{
    if (body.isEmpty() || pixelSize.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    aimReaderAtFormat(reader, body);
    reader.setAutoTransform(true);
    // The size comes from the header alone.
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > maxPixels)
        return {};
    reader.setAllocationLimit(int(maxPixels * 4 / (1024 * 1024)) + 1);
    const QSize wanted = size.scaled(pixelSize, Qt::KeepAspectRatioByExpanding);
    if (wanted.width() * 2 < size.width())
        reader.setScaledSize(wanted * 2);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    return imageCroppedToFitSize(image, pixelSize);
}
