#include "support/cache/CacheEntryArchive.h"

#include "support/PropertyList.h"

namespace {

bool isInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

namespace CacheEntryArchive {

QByteArray encode(const CachedURLResponse &response)
{
    QVariantMap headerFields;
    for (auto it = response.headerFields.cbegin(); it != response.headerFields.cend(); ++it)
        headerFields.insert(it.key(), it.value());

    const QVariantMap urlResponse {
        { QStringLiteral("URL"), QString::fromUtf8(response.url.toEncoded()) },
        { QStringLiteral("statusCode"), response.statusCode },
        { QStringLiteral("headerFields"), headerFields },
        { QStringLiteral("MIMEType"), response.mimeType },
        { QStringLiteral("HTTP"), response.isHTTP },
    };
    QVariantMap archive {
        { QStringLiteral("responseData"), response.body.isNull() ? QByteArray("") : response.body },
        { QStringLiteral("response"), urlResponse },
        { QStringLiteral("storagePolicy"), static_cast<int>(response.storagePolicy) },
    };
    if (response.userInfo)
        archive.insert(QStringLiteral("userInfo"), *response.userInfo);
    return PropertyList::encode(archive, PropertyList::Format::Binary);
}

std::optional<CachedURLResponse> decode(const QByteArray &bytes)
{
    const auto root = PropertyList::decode(bytes);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap archive = root->toMap();

    const QVariant body = archive.value(QStringLiteral("responseData"));
    const QVariant urlResponse = archive.value(QStringLiteral("response"));
    const QVariant policy = archive.value(QStringLiteral("storagePolicy"));
    if (body.typeId() != QMetaType::QByteArray || urlResponse.typeId() != QMetaType::QVariantMap
        || !isInteger(policy))
        return std::nullopt;

    const QVariantMap fields = urlResponse.toMap();
    const QVariant url = fields.value(QStringLiteral("URL"));
    const QVariant status = fields.value(QStringLiteral("statusCode"));
    const QVariant headers = fields.value(QStringLiteral("headerFields"));
    if (url.typeId() != QMetaType::QString || !isInteger(status)
        || headers.typeId() != QMetaType::QVariantMap)
        return std::nullopt;

    CachedURLResponse response;
    response.url = QUrl::fromEncoded(url.toString().toUtf8());
    if (!response.url.isValid())
        return std::nullopt;
    const qint64 statusCode = status.toLongLong();
    if (statusCode < 0 || statusCode > 999)
        return std::nullopt;
    response.statusCode = static_cast<int>(statusCode);
    const QVariantMap headerMap = headers.toMap();
    for (auto it = headerMap.cbegin(); it != headerMap.cend(); ++it) {
        // Every field is written as a string; bytes in its place are damage.
        if (it.value().typeId() != QMetaType::QString)
            return std::nullopt;
        response.headerFields.insert(it.key(), it.value().toString());
    }
    response.mimeType = fields.value(QStringLiteral("MIMEType")).toString();
    response.isHTTP = fields.value(QStringLiteral("HTTP"), true).toBool();
    response.body = body.toByteArray();

    const qint64 storagePolicy = policy.toLongLong();
    if (storagePolicy < 0 || storagePolicy > 2)
        return std::nullopt;
    response.storagePolicy = static_cast<CacheStoragePolicy>(storagePolicy);

    const QVariant userInfo = archive.value(QStringLiteral("userInfo"));
    if (userInfo.typeId() == QMetaType::QVariantMap)
        response.userInfo = userInfo.toMap();
    return response;
}

} // namespace CacheEntryArchive
