#include "service/SavedPostArchive.h"

#include "support/ImageDecoding.h"
#include "text/PostTextStyling.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>

namespace SavedPostArchive {

namespace {

const QString postKey = QStringLiteral("post");
const QString textKey = QStringLiteral("attributedString");
const QString pictureKey = QStringLiteral("theAvatarImage");

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

QVariantMap toArchive(const PostRecord &record)
{
    QVariantMap archived;
    archived.insert(postKey,
        QJsonDocument(QJsonObject::fromVariantMap(record.post)).toJson(QJsonDocument::Compact));
    archived.insert(textKey, record.attributedString.text());
    if (!record.theAvatarImage.isNull())
        archived.insert(pictureKey, png(record.theAvatarImage));
    return archived;
}

std::optional<PostRecord> fromArchive(const QVariantMap &archived, qint64 prefsFontSize)
{
    QJsonObject post;
    const QVariant stored = archived.value(postKey);
    if (stored.typeId() == QMetaType::QByteArray) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(stored.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return std::nullopt;
        post = document.object();
    } else {
        post = QJsonObject::fromVariantMap(archived);
    }
    PostRecord record = PostRecord::fromJson(post);
    if (record.id().isEmpty())
        return std::nullopt;
    record.attributedString = PostTextStyling::styledPostText(record.text(), prefsFontSize);
    const QVariant picture = archived.value(pictureKey);
    if (picture.typeId() == QMetaType::QByteArray)
        record.theAvatarImage = decodedImage(picture.toByteArray());
    return record;
}

bool sameRecord(const PostRecord &a, const PostRecord &b)
{
    return a.post == b.post && a.attributedString.text() == b.attributedString.text()
        && a.theAvatarImage.cacheKey() == b.theAvatarImage.cacheKey();
}

} // namespace SavedPostArchive
