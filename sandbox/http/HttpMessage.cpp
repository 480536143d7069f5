#include "http/HttpMessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>

namespace sandbox {

QStringList HttpRequest::segments() const
{
    QStringList out;
    QByteArray path = rawPath;
    if (path.startsWith('/'))
        path.remove(0, 1);
    if (path.isEmpty())
        return out;
    const QList<QByteArray> parts = path.split('/');
    out.reserve(parts.size());
    for (const QByteArray &part : parts)
        out.append(QString::fromUtf8(QByteArray::fromPercentEncoding(part)));
    return out;
}

QString HttpRequest::path() const
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(rawPath));
}

QByteArray HttpRequest::header(const QByteArray &lowerCaseName) const
{
    for (const auto &[name, value] : headers) {
        if (name == lowerCaseName)
            return value;
    }
    return {};
}

QByteArray HttpRequest::target() const
{
    return rawQuery.isEmpty() ? rawPath : rawPath + '?' + rawQuery;
}

HttpResponse &HttpResponse::withHeader(const QByteArray &name, const QByteArray &value)
{
    headers.append({ name, value });
    return *this;
}

QByteArray HttpResponse::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpResponse jsonResponse(const QJsonValue &value, int status)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "application/json; charset=utf-8";
    if (value.isArray())
        r.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        r.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return r;
}

HttpResponse errorResponse(int status, const QString &message)
{
    QJsonObject meta { { QStringLiteral("code"), status },
        { QStringLiteral("error_message"), message } };
    return jsonResponse(QJsonObject { { QStringLiteral("meta"), meta } }, status);
}

HttpResponse textResponse(const QString &text, int status)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain; charset=utf-8";
    r.body = text.toUtf8();
    return r;
}

HttpResponse htmlResponse(const QString &html, int status)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "text/html; charset=utf-8";
    r.body = html.toUtf8();
    return r;
}

HttpResponse redirectResponse(const QString &location, int status)
{
    HttpResponse r
        = htmlResponse(QStringLiteral("<!DOCTYPE html><title>Moved</title><a href=\"%1\">%1</a>")
                           .arg(location.toHtmlEscaped()),
            status);
    r.withHeader("Location", location.toUtf8());
    return r;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Payload Too Large";
    case 415:
        return "Unsupported Media Type";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return status >= 500 ? "Server Error" : status >= 400 ? "Client Error" : "Status";
    }
}

QByteArray httpDate(const QDateTime &time)
{
    return QLocale::c()
        .toString(
            time.toTimeZone(QTimeZone::utc()), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

bool isBodyless(int status)
{
    return status == 204 || status == 304 || (status >= 100 && status < 200);
}

QByteArray serializeHead(const HttpResponse &response, const QDateTime &now, bool keepAlive)
{
    QByteArray out;
    out += "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
        + "\r\n";
    out += "Date: " + httpDate(now) + "\r\n";
    out += "Server: velto-sandbox\r\n";
    const bool bodyless = isBodyless(response.status);
    if (!response.contentType.isEmpty() && !bodyless)
        out += "Content-Type: " + response.contentType + "\r\n";
    if (!bodyless)
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    for (const auto &[name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    out += "\r\n";
    return out;
}

QByteArray serializeResponse(
    const HttpResponse &response, const QDateTime &now, bool headOnly, bool keepAlive)
{
    QByteArray out = serializeHead(response, now, keepAlive);
    if (!headOnly && !isBodyless(response.status))
        out += response.body;
    return out;
}

} // namespace sandbox
