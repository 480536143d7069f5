#include "service/AvatarImages.h"

#include "support/ImageFitting.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace AvatarImages {

QUrl avatarUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return {};
    return url;
}

QImage fittedAvatar(const QByteArray &body)
{
    if (body.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) {
        // Huge pictures are decoded straight to a small size where the format
        // allows it; 96 pixels keep the 48-point avatar sharp at twice the density.
        constexpr int keep = 96;
        const int shortSide = qMin(size.width(), size.height());
        if (shortSide > 4 * keep)
            reader.setScaledSize(size.scaled(keep, keep, Qt::KeepAspectRatioByExpanding));
    }
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    return imageCroppedToFitSize(image, avatarSize);
}

namespace {
const QString fittedKey = QStringLiteral("fittedAvatar");
const QString fittedSizeKey = QStringLiteral("fittedAvatarSize");
} // namespace

QVariantMap userInfoForFittedAvatar(const QImage &fitted)
{
    if (fitted.isNull() || fitted.size() != avatarSize)
        return {};
    const QImage pixels = fitted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray bytes;
    bytes.reserve(pixels.width() * pixels.height() * 4);
    for (int y = 0; y < pixels.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(pixels.constScanLine(y)), pixels.width() * 4);
    return { { fittedKey, bytes }, { fittedSizeKey, avatarSize.width() } };
}

QImage fittedAvatarFromUserInfo(const std::optional<QVariantMap> &userInfo)
{
    if (!userInfo || userInfo->value(fittedSizeKey).toInt() != avatarSize.width())
        return {};
    const QByteArray bytes = userInfo->value(fittedKey).toByteArray();
    const int rowBytes = avatarSize.width() * 4;
    if (bytes.size() != rowBytes * avatarSize.height())
        return {};
    QImage image(avatarSize, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + y * rowBytes, size_t(rowBytes));
    return image;
}

} // namespace AvatarImages
