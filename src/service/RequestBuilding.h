#pragma once

#include "service/Endpoints.h"

#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <chrono>
#include <utility>

// Parameters of a query, as name and value, in the order they are written.
// The service gives the order no meaning; keeping it makes URLs repeatable.
using QueryParameters = QList<std::pair<QString, QString>>;

// "name=value&" for every pair, so the result ends with "&" ("count=20&before_id=987&");
// no pairs give the empty string. Names are written as they are (the program's
// own names); values are percent-encoded as UTF-8 with "?", "=", "&" and "+"
// escaped besides everything that may not stand in a URL, so a value can
// never start a new pair. ":", "/", "@" and the other sub-delimiters stay.
QString queryStringForParameters(const QueryParameters &parameters);

// Percent-encodes one value for a form body or a URL: everything but ASCII
// letters, digits, "-", ".", "_" and "~" is escaped, as UTF-8.
QString urlEncodeValue(const QString &value);

// The form body of a new post: "text=<escaped text>", plus "&reply_to=<id>"
// for a reply or a quote. UTF-8 bytes.
QByteArray newPostBody(const QString &text, const QString &replyToId = {});

// The endpoint's path with its path value put in. The value is escaped as
// one path segment ("@" kept: "users/@{username}" with "@bob" is "users/@@bob");
// decimal ids are unchanged by that, and a typed name holding "/", "?" or "#"
// cannot address another endpoint.
QString endpointPath(Endpoint endpoint, const QString &pathValue = {});

// The API base, exactly one "/", the endpoint path, and, when the endpoint
// takes a query and there are parameters, "?" and queryStringForParameters.
// A trailing "/" on the base and a leading "/" on the path are not doubled.
QString endpointUrlText(const QString &apiBase, Endpoint endpoint, const QString &pathValue = {},
    const QueryParameters &parameters = {});
QUrl endpointUrl(const QString &apiBase, Endpoint endpoint, const QString &pathValue = {},
    const QueryParameters &parameters = {});

// The base URL itself when there are no pairs; otherwise "<base>?name=value&..."
// with names and values percent-encoded as UTF-8, "=", "&" and "+" escaped as
// well (":" and "/" stay, a space becomes %20). Used for the sign-in page.
QUrl URLWithBaseURL(const QUrl &baseUrl, const QueryParameters &queryDictionary);
QUrl URLWithString(const QString &string, const QueryParameters &queryDictionary);

// How long an API request may go without any bytes moving before it fails
// (status 0): Qt's own default for transfer time-outs, short enough that a
// stalled stream load does not hold the loading flag for long.
inline constexpr std::chrono::milliseconds defaultApiTransferTimeout { 30000 };

// A request to the API: "Authorization: Bearer <token>" first, then
// "Content-Type: application/x-www-form-urlencoded" (on every method).
// Redirects are followed only within the same scheme, host and port, so the
// token never travels to another host. The platform's default cache policy.
QNetworkRequest apiRequest(const QUrl &url, const QString &accessToken,
    std::chrono::milliseconds transferTimeout = defaultApiTransferTimeout);
