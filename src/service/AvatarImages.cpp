#include "service/AvatarImages.h"

#include "views/ImageFitting.h"

#include <QBuffer>
#include <QImageReader>

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

} // namespace AvatarImages
