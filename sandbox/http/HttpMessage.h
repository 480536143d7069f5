#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace sandbox {

// One request as the service sees it, copied out of the server's own request
// object so that it can outlive the connection's read handler (delayed answers).
struct HttpRequest {
    QByteArray method; // upper case: "GET", "POST", ...
    QByteArray rawPath; // percent-encoded, as sent
    QByteArray rawQuery; // percent-encoded, without "?"
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;

    // The path split at "/" with each segment percent-decoded on its own, so an
    // encoded slash stays inside its segment. "/a/b" gives {"a", "b"}; a
    // trailing or doubled slash gives an empty segment.
    QStringList segments() const;
    QString path() const; // decoded, for messages and logs
    QByteArray header(const QByteArray &lowerCaseName) const;
    QByteArray target() const; // path plus "?" and query when there is one
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // besides the ones the server adds

    HttpResponse &withHeader(const QByteArray &name, const QByteArray &value);
    QByteArray header(const QByteArray &name) const;
};

HttpResponse jsonResponse(const QJsonValue &value, int status = 200);
// The service's error object: {"meta": {"code": status, "error_message": message}}.
HttpResponse errorResponse(int status, const QString &message);
HttpResponse textResponse(const QString &text, int status = 200);
HttpResponse htmlResponse(const QString &html, int status = 200);
HttpResponse redirectResponse(const QString &location, int status = 302);

QByteArray reasonPhrase(int status);
// "Sun, 06 Nov 1994 08:49:37 GMT"
QByteArray httpDate(const QDateTime &time);

// Statuses that never carry a body (1xx, 204, 304).
bool isBodyless(int status);
// The status line and headers of a response, up to and including the empty
// line; Content-Length is the body's size.
QByteArray serializeHead(const HttpResponse &response, const QDateTime &now, bool keepAlive);
// The bytes sent for a response: status line, the response's headers plus
// Date, Server, Content-Length and Connection, and the body unless `headOnly`.
QByteArray serializeResponse(
    const HttpResponse &response, const QDateTime &now, bool headOnly, bool keepAlive);

} // namespace sandbox
