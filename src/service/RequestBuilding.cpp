#include "service/RequestBuilding.h"

namespace {

QString percentEncoded(const QString &text, const QByteArray &keep)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

// Reserved characters that may stand in a query value unescaped; the rest of
// the reserved set ("?", "=", "&", "+", "#", "[", "]") is escaped.
const QByteArray queryValueKeeps = QByteArrayLiteral("!$'()*,/:;@");

QString withoutTrailingSlashes(QString text)
{
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

QString withoutLeadingSlashes(QString text)
{
    while (text.startsWith(QLatin1Char('/')))
        text.remove(0, 1);
    return text;
}

} // namespace

QString queryStringForParameters(const QueryParameters &parameters)
{
    QString query;
    for (const auto &[name, value] : parameters) {
        query += name;
        query += QLatin1Char('=');
        query += percentEncoded(value, queryValueKeeps);
        query += QLatin1Char('&');
    }
    return query;
}

QString urlEncodeValue(const QString &value)
{
    return percentEncoded(value, {});
}

QByteArray newPostBody(const QString &text, const QString &replyToId)
{
    QString body = QStringLiteral("text=") + urlEncodeValue(text);
    if (!replyToId.isEmpty())
        body += QStringLiteral("&reply_to=") + urlEncodeValue(replyToId);
    return body.toUtf8();
}

QString endpointPath(Endpoint endpoint, const QString &pathValue)
{
    QString path = endpointInfo(endpoint).pathTemplate();
    const qsizetype open = path.indexOf(QLatin1Char('{'));
    if (open < 0)
        return path;
    const qsizetype close = path.indexOf(QLatin1Char('}'), open);
    path.replace(open, close - open + 1, percentEncoded(pathValue, QByteArrayLiteral("@")));
    return path;
}

QString endpointUrlText(const QString &apiBase, Endpoint endpoint, const QString &pathValue,
    const QueryParameters &parameters)
{
    const QString path = withoutLeadingSlashes(endpointPath(endpoint, pathValue));
    QString text = withoutTrailingSlashes(apiBase) + QLatin1Char('/') + path;
    if (endpointInfo(endpoint).payload == Payload::Query && !parameters.isEmpty()) {
        text += path.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
        text += queryStringForParameters(parameters);
    }
    return text;
}

QUrl endpointUrl(const QString &apiBase, Endpoint endpoint, const QString &pathValue,
    const QueryParameters &parameters)
{
    return QUrl(endpointUrlText(apiBase, endpoint, pathValue, parameters));
}

QUrl URLWithBaseURL(const QUrl &baseUrl, const QueryParameters &queryDictionary)
{
    if (queryDictionary.isEmpty())
        return baseUrl;
    const QByteArray keeps = QByteArrayLiteral("!$'()*,/:;@?");
    QStringList pairs;
    pairs.reserve(queryDictionary.size());
    for (const auto &[name, value] : queryDictionary)
        pairs.append(percentEncoded(name, keeps) + QLatin1Char('=') + percentEncoded(value, keeps));
    return QUrl(
        baseUrl.toString(QUrl::FullyEncoded) + QLatin1Char('?') + pairs.join(QLatin1Char('&')));
}

QUrl URLWithString(const QString &string, const QueryParameters &queryDictionary)
{
    return URLWithBaseURL(QUrl(string), queryDictionary);
}

QNetworkRequest apiRequest(
    const QUrl &url, const QString &accessToken, std::chrono::milliseconds transferTimeout)
{
    // A token is one line of text; a line break in it would start a header
    // of its own.
    QByteArray token = accessToken.toUtf8();
    token.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });

    QNetworkRequest request(url);
    request.setRawHeader(QByteArrayLiteral("Authorization"), QByteArrayLiteral("Bearer ") + token);
    request.setRawHeader(
        QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(int(transferTimeout.count()));
    // The answers are the signed-in user's own streams: they stay off the
    // disk, and a stale copy must never stand in for a failing service.
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}
