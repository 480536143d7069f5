#include "service/AvatarImages.h"

#include "support/ImageFitting.h"

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
    return decodedToFill(body, avatarSize);
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
