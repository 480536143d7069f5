#include "support/cache/CacheKey.h"

#include <QCryptographicHash>

namespace CacheKey {

QString forURL(const QUrl &url)
{
    const QByteArray digest
        = QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Md5).toHex();
    return QStringLiteral("V2_") + QString::fromLatin1(digest);
}

bool isValid(QStringView name)
{
    if (name.size() != 35 || !name.startsWith(u"V2_"))
        return false;
    for (const QChar c : name.mid(3)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

QUrl canonicalURL(const QUrl &url)
{
    const QByteArray encoded = url.toEncoded();
    const qsizetype hash = encoded.indexOf('#');
    if (hash < 0)
        return url;
    return QUrl::fromEncoded(encoded.left(hash));
}

QNetworkRequest canonicalRequest(const QNetworkRequest &request)
{
    const QUrl canonical = canonicalURL(request.url());
    if (canonical == request.url())
        return request;
    QNetworkRequest copy(request);
    copy.setUrl(canonical);
    return copy;
}

bool ignoresLocalData(const QNetworkRequest &request)
{
    const int control = request
                            .attribute(QNetworkRequest::CacheLoadControlAttribute,
                                int(QNetworkRequest::PreferNetwork))
                            .toInt();
    return control == QNetworkRequest::AlwaysNetwork;
}

} // namespace CacheKey
