#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class QNetworkReply;

// Whether a response may be kept, and where. The numbers are the ones stored
// in entry files.
enum class CacheStoragePolicy : int {
    Allowed = 0,
    AllowedInMemoryOnly = 1,
    NotAllowed = 2,
};

// Response header fields by name, as the server spelled them. HTTP field names
// carry no case, so every lookup goes through headerField().
using HeaderFields = QMap<QString, QString>;

// The value of the field `name`, compared without regard to case; an exact
// spelling wins when several spellings are present.
std::optional<QString> headerField(const HeaderFields &fields, QStringView name);

// Field list as it arrives on the wire (a name may repeat) turned into one value
// per name; repeated fields are joined with ", " as HTTP allows.
HeaderFields headerFieldsFromRaw(const QList<QPair<QByteArray, QByteArray>> &raw);
QList<QPair<QByteArray, QByteArray>> rawFromHeaderFields(const HeaderFields &fields);

// One cached response: what the loader received for a URL plus how it may be
// stored. `isHTTP` is false for responses of other schemes, which stay out of
// the disk tier.
struct CachedURLResponse {
    QUrl url;
    bool isHTTP = true;
    int statusCode = 200;
    HeaderFields headerFields;
    QString mimeType;
    QByteArray body;
    std::optional<QVariantMap> userInfo;
    CacheStoragePolicy storagePolicy = CacheStoragePolicy::Allowed;

    // A finished reply and the bytes read from it, storage allowed, no user
    // info. The MIME type is the Content-Type without its parameters.
    static CachedURLResponse fromReply(const QNetworkReply &reply, const QByteArray &body);

    // Rough memory held by this response, used as its cost in the memory tier.
    qint64 cost() const;

    friend bool operator==(const CachedURLResponse &, const CachedURLResponse &) = default;
};

// "text/html; charset=utf-8" -> "text/html".
QString mimeTypeFromContentType(const QString &contentType);
