#include "http/Router.h"

namespace sandbox {

void Router::add(const QByteArrayList &methods, const QString &pattern, RouteHandler handler)
{
    Route route;
    route.methods = methods;
    route.pattern = pattern.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &segment : route.pattern)
        route.literals += segment == u"{}" ? 0 : 1;
    route.handler = std::move(handler);
    m_routes.append(std::move(route));
}

bool Router::matches(const Route &route, const QStringList &segments, QStringList *args)
{
    if (route.pattern.size() != segments.size())
        return false;
    QStringList captured;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (route.pattern[i] == u"{}") {
            if (segments[i].isEmpty())
                return false;
            captured.append(segments[i]);
        } else if (route.pattern[i] != segments[i]) {
            return false;
        }
    }
    *args = captured;
    return true;
}

HttpResponse Router::dispatch(
    const HttpRequest &request, const QStringList &segments, qint64 viewer) const
{
    int best = -1;
    QList<std::pair<const Route *, QStringList>> candidates;
    for (const Route &route : m_routes) {
        QStringList args;
        if (!matches(route, segments, &args))
            continue;
        if (route.literals > best) {
            best = route.literals;
            candidates.clear();
        }
        if (route.literals == best)
            candidates.append({ &route, args });
    }
    if (candidates.isEmpty())
        return errorResponse(404, QStringLiteral("Not found: %1").arg(request.path()));

    const QByteArray method = request.method == "HEAD" ? QByteArray("GET") : request.method;
    QByteArrayList allowed;
    for (const auto &[route, args] : candidates) {
        if (route->methods.contains(method))
            return route->handler(RouteCall { request, args, viewer });
        for (const QByteArray &m : route->methods) {
            if (!allowed.contains(m))
                allowed.append(m);
        }
    }
    if (allowed.contains("GET"))
        allowed.append("HEAD");
    return errorResponse(405,
        QStringLiteral("Method %1 is not allowed here; use %2")
            .arg(QString::fromLatin1(request.method), QString::fromLatin1(allowed.join(", "))))
        .withHeader("Allow", allowed.join(", "));
}

} // namespace sandbox
