#include "support/cache/CachedURLResponse.h"

#include <QNetworkReply>
#include <QNetworkRequest>

std::optional<QString> headerField(const HeaderFields &fields, QStringView name)
{
    const auto exact = fields.constFind(name.toString());
    if (exact != fields.cend())
        return exact.value();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (QStringView(it.key()).compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return std::nullopt;
}

HeaderFields headerFieldsFromRaw(const QList<QPair<QByteArray, QByteArray>> &raw)
{
    HeaderFields fields;
    for (const auto &[rawName, rawValue] : raw) {
        const QString name = QString::fromLatin1(rawName).trimmed();
        if (name.isEmpty())
            continue;
        const QString value = QString::fromLatin1(rawValue).trimmed();
        // A second spelling of a field already present joins the first one.
        QString existing;
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
                existing = it.key();
                break;
            }
        }
        if (existing.isEmpty())
            fields.insert(name, value);
        else
            fields[existing] += QStringLiteral(", ") + value;
    }
    return fields;
}

QList<QPair<QByteArray, QByteArray>> rawFromHeaderFields(const HeaderFields &fields)
{
    QList<QPair<QByteArray, QByteArray>> raw;
    raw.reserve(fields.size());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        raw.append({ it.key().toLatin1(), it.value().toLatin1() });
    return raw;
}

QString mimeTypeFromContentType(const QString &contentType)
{
    const qsizetype semicolon = contentType.indexOf(u';');
    return (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed();
}

CachedURLResponse CachedURLResponse::fromReply(const QNetworkReply &reply, const QByteArray &body)
{
    CachedURLResponse response;
    response.url = reply.url();
    const QString scheme = response.url.scheme().toLower();
    response.isHTTP = scheme == u"http" || scheme == u"https";
    response.statusCode = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.headerFields = headerFieldsFromRaw(reply.rawHeaderPairs());
    response.mimeType = mimeTypeFromContentType(
        headerField(response.headerFields, u"Content-Type").value_or(QString()));
    response.body = body;
    return response;
}

qint64 CachedURLResponse::cost() const
{
    qint64 total = body.size() + 256;
    for (auto it = headerFields.cbegin(); it != headerFields.cend(); ++it)
        total += 2 * (it.key().size() + it.value().size());
    return total;
}
