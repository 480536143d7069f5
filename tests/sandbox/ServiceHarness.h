#pragma once

// Drives the sandbox service in-process, without sockets: a request value in,
// the response value out. The clock is fixed so the seeded world is the same
// in every run.

#include "SandboxService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace sandboxtest {

inline const QString kBase = u"http://127.0.0.1:9"_qs;
inline const QDateTime kNow(QDate(2024, 3, 1), QTime(12, 0), QTimeZone::utc());

// A bare request for the parts that read one (fault matching, control paths).
inline sandbox::HttpRequest request(const QByteArray &path, const QByteArray &method = "GET")
{
    sandbox::HttpRequest r;
    r.method = method;
    r.rawPath = path;
    return r;
}

class ServiceHarness {
public:
    explicit ServiceHarness(sandbox::ServiceOptions options = {})
        : service(options)
    {
        service.setClock([this] { return now; });
        service.start(kBase);
    }

    sandbox::HttpResponse send(const QByteArray &method, const QByteArray &target,
        const QByteArray &body = {}, QList<QPair<QByteArray, QByteArray>> headers = {})
    {
        sandbox::HttpRequest r;
        r.method = method;
        const qsizetype q = target.indexOf('?');
        r.rawPath = q < 0 ? target : target.left(q);
        r.rawQuery = q < 0 ? QByteArray() : target.mid(q + 1);
        r.headers = headers;
        r.body = body;
        return service.handle(r);
    }

    // An API call as Velto makes it: bearer token, form content type.
    sandbox::HttpResponse api(const QByteArray &method, const QByteArray &path,
        const QByteArray &body = {}, const QByteArray &token = "demo-token")
    {
        return send(method, "/stream/0/" + path, body,
            { { "authorization", "Bearer " + token },
                { "content-type", "application/x-www-form-urlencoded" } });
    }

    static QJsonArray array(const sandbox::HttpResponse &r)
    {
        return QJsonDocument::fromJson(r.body).array();
    }
    static QJsonObject object(const sandbox::HttpResponse &r)
    {
        return QJsonDocument::fromJson(r.body).object();
    }
    // An API GET's answer as an array.
    QJsonArray list(const QByteArray &path) { return array(api("GET", path)); }
    static QStringList ids(const QJsonArray &posts)
    {
        QStringList out;
        for (const QJsonValue &p : posts)
            out.append(p.toObject().value(u"id"_qs).toString());
        return out;
    }

    QDateTime now = kNow;
    sandbox::SandboxService service;
};

// The value at a dotted path: at(post, "user.avatar_image.url"), at(p, "entities.links.0.url").
inline QJsonValue at(QJsonValue value, const char *path)
{
    for (const QByteArray &step : QByteArray(path).split('.')) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value
            = isIndex ? value.toArray().at(index) : value.toObject().value(QString::fromUtf8(step));
    }
    return value;
}
inline QString str(const QJsonValue &value, const char *path)
{
    return at(value, path).toString();
}

} // namespace sandboxtest
