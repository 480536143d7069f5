#pragma once

#include "http/HttpMessage.h"

#include <QByteArrayList>
#include <QStringList>

#include <functional>

namespace sandbox {

struct RouteCall {
    const HttpRequest &request;
    QStringList args; // the values of the pattern's "{}" segments, decoded
    qint64 viewer = 0; // the signed-in user on API routes, 0 elsewhere
};

using RouteHandler = std::function<HttpResponse(const RouteCall &)>;

// Maps paths to handlers. A pattern is a list of segments ("posts/{}/star"),
// where "{}" matches any one non-empty segment. When several patterns match a
// path the one with the most literal segments wins ("posts/stream" before
// "posts/{}"), so that a wrong method on it is a 405 rather than a call of the
// other route. HEAD is served wherever GET is.
class Router {
public:
    void add(const QByteArrayList &methods, const QString &pattern, RouteHandler handler);

    // 404 with the service's error object when no pattern matches, 405 with an
    // Allow header when patterns match but none takes the method.
    HttpResponse dispatch(
        const HttpRequest &request, const QStringList &segments, qint64 viewer = 0) const;

private:
    struct Route {
        QByteArrayList methods;
        QStringList pattern;
        int literals = 0;
        RouteHandler handler;
    };
    static bool matches(const Route &route, const QStringList &segments, QStringList *args);

    QList<Route> m_routes;
};

} // namespace sandbox
