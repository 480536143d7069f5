// The control endpoints only the sandbox has, for tests and the demo. They
// need no token and are never subject to faults or latency.
#include "routes/Routes.h"

#include "SandboxService.h"
#include "data/Crowd.h"
#include "data/Seed.h"
#include "routes/JsonRenderer.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

std::optional<QJsonObject> jsonBody(
    const HttpRequest &request, HttpResponse &error, bool emptyIsObject)
{
    if (request.body.trimmed().isEmpty() && emptyIsObject)
        return QJsonObject();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        error = errorResponse(400, u"The body must be a JSON object"_s);
        return std::nullopt;
    }
    return doc.object();
}

HttpResponse ok(QJsonObject extra = {})
{
    extra.insert(u"ok"_s, true);
    return jsonResponse(extra);
}

constexpr int kMaxBulkCount = 20000;

// The "count" of a bulk request: a whole number from 1 to kMaxBulkCount, or
// nothing when the body has none.
std::optional<int> bulkCount(const QJsonObject &body, HttpResponse &error, bool *given)
{
    const QJsonValue v = body.value(u"count"_s);
    *given = !v.isUndefined();
    if (!*given)
        return std::nullopt;
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d != double(int(d)) || d < 1 || d > kMaxBulkCount) {
        error
            = errorResponse(400, u"count must be a whole number from 1 to %1"_s.arg(kMaxBulkCount));
        return std::nullopt;
    }
    return int(d);
}

std::optional<int> milliseconds(const QJsonObject &body, const QString &key, HttpResponse &error)
{
    const QJsonValue v = body.value(key);
    if (v.isUndefined())
        return 0;
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d != double(int(d)) || d < 0 || d > Latency::kMaxMs) {
        error = errorResponse(400,
            u"%1 must be a whole number of milliseconds from 0 to %2"_s.arg(key).arg(
                Latency::kMaxMs));
        return std::nullopt;
    }
    return int(d);
}

QJsonObject latencyJson(const Latency &latency)
{
    return { { u"ms"_s, latency.ms }, { u"jitterMs"_s, latency.jitterMs } };
}

QJsonArray idStrings(const QList<Id> &ids)
{
    QJsonArray out;
    for (Id id : ids)
        out.append(QString::number(id));
    return out;
}

} // namespace

void addControlRoutes(Router &control, SandboxService &s)
{
    SandboxService *service = &s;

    control.add({ "GET" }, u"faults"_s,
        [=](const RouteCall &) { return jsonResponse(service->faults().toJson()); });
    control.add({ "POST" }, u"faults"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const auto body = jsonBody(call.request, error, false);
        if (!body)
            return error;
        QString message;
        const auto fault = Fault::fromJson(*body, &message);
        if (!fault)
            return errorResponse(400, message);
        const int id = service->faults().add(*fault);
        return ok({ { u"id"_s, id } });
    });
    control.add({ "DELETE" }, u"faults"_s, [=](const RouteCall &) {
        service->faults().clear();
        return ok();
    });

    control.add({ "POST" }, u"reset"_s, [=](const RouteCall &) {
        service->reset();
        return ok();
    });

    control.add({ "GET" }, u"requests"_s,
        [=](const RouteCall &) { return jsonResponse(service->requestLog()); });
    control.add({ "DELETE" }, u"requests"_s, [=](const RouteCall &) {
        service->clearRequestLog();
        return ok();
    });

    control.add({ "POST" }, u"tokens"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const auto body = jsonBody(call.request, error, false);
        if (!body)
            return error;
        const User *user = service->store().userByName(body->value(u"username"_s).toString());
        if (!user)
            return errorResponse(
                404, u"No such user: %1"_s.arg(body->value(u"username"_s).toString()));
        const QString token = service->tokens().issue(user->id);
        service->noteChanged();
        return jsonResponse(QJsonObject {
            { u"access_token"_s, token }, { u"user_id"_s, QString::number(user->id) } });
    });

    control.add({ "POST" }, u"mention"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const auto body = jsonBody(call.request, error, true);
        if (!body)
            return error;
        Id author = 0;
        if (body->contains(u"from"_s)) {
            const User *user = service->store().userByName(body->value(u"from"_s).toString());
            if (!user)
                return errorResponse(
                    404, u"No such user: %1"_s.arg(body->value(u"from"_s).toString()));
            author = user->id;
        }
        const QString text = body->value(u"text"_s).toString();
        if (text.size() > kMaxPostLength)
            return errorResponse(400, u"text is longer than %1"_s.arg(kMaxPostLength));
        bool many = false;
        const auto count = bulkCount(*body, error, &many);
        if (many && !count)
            return error;
        if (many) {
            const QList<Id> ids = service->addDemoMentions(*count, author, text);
            return ok({ { u"count"_s, int(ids.size()) }, { u"ids"_s, idStrings(ids) } });
        }
        const Post &post = service->addDemoMention(author, text);
        return jsonResponse(JsonRenderer(service->store(), service->baseUrl(), 0).post(post));
    });

    // Mentions of the demo user that link pictures of every kind the hosts
    // serve, newest last: a good one, one that is not a picture, a slow one,
    // a decompression bomb, and one on another site.
    control.add({ "POST" }, u"pictures"_s, [=](const RouteCall &) {
        const QString base = service->baseUrl();
        QUrl other(base);
        other.setHost(u"localhost"_s);
        const QStringList texts = {
            u"@demo the view from the top %1/img/sample-3.png"_s.arg(base),
            u"@demo this one will not open %1/img/broken.png"_s.arg(base),
            u"@demo on a slow line %1/img/slow-5.png"_s.arg(base),
            u"@demo far too big %1/img/huge.png"_s.arg(base),
            u"@demo seen elsewhere %1/pictures/photo-2.jpg"_s.arg(other.toString()),
        };
        const User *alice = service->store().userByName(u"alice"_s);
        QList<Id> ids;
        for (const QString &text : texts)
            ids.append(service->addDemoMention(alice ? alice->id : 0, text).id);
        return ok({ { u"count"_s, int(ids.size()) }, { u"ids"_s, idStrings(ids) } });
    });

    // Made-up users the demo user follows, or who follow the demo user.
    const auto crowd = [=](bool demoFollows) {
        return [=](const RouteCall &call) {
            HttpResponse error;
            const auto body = jsonBody(call.request, error, false);
            if (!body)
                return error;
            bool given = false;
            const auto count = bulkCount(*body, error, &given);
            if (!count)
                return given ? error : errorResponse(400, u"count is required"_s);
            Store &store = service->store();
            const QList<Id> ids = addCrowd(store, *count, service->now());
            QJsonArray names;
            for (Id id : ids) {
                if (demoFollows)
                    store.follow(kDemoUserId, id);
                else
                    store.follow(id, kDemoUserId);
                names.append(store.user(id)->username);
            }
            service->noteChanged();
            return ok({ { u"count"_s, int(ids.size()) }, { u"ids"_s, idStrings(ids) },
                { u"usernames"_s, names } });
        };
    };
    control.add({ "POST" }, u"following"_s, crowd(true));
    control.add({ "POST" }, u"followers"_s, crowd(false));

    control.add({ "GET" }, u"latency"_s,
        [=](const RouteCall &) { return jsonResponse(latencyJson(service->latency())); });
    control.add({ "POST" }, u"latency"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const auto body = jsonBody(call.request, error, false);
        if (!body)
            return error;
        for (auto it = body->begin(); it != body->end(); ++it) {
            if (it.key() != u"ms" && it.key() != u"jitterMs")
                return errorResponse(400,
                    u"unknown field \"%1\": the latency takes ms and jitterMs"_s.arg(it.key()));
        }
        if (!body->contains(u"ms"_s))
            return errorResponse(400, u"ms is required"_s);
        const auto ms = milliseconds(*body, u"ms"_s, error);
        const auto jitter = ms ? milliseconds(*body, u"jitterMs"_s, error) : std::nullopt;
        if (!ms || !jitter)
            return error;
        service->setLatency({ *ms, *jitter });
        return ok(latencyJson(service->latency()));
    });

    control.add({ "POST" }, u"version"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const auto body = jsonBody(call.request, error, false);
        if (!body)
            return error;
        HostState &hosts = service->hosts();
        if (body->contains(u"version"_s)) {
            const QJsonValue v = body->value(u"version"_s);
            if (!v.isString() && !v.isNull())
                return errorResponse(400, u"version must be a string or null"_s);
            hosts.latestVersion = v.toString();
        }
        if (body->contains(u"notes"_s))
            hosts.releaseNotes = body->value(u"notes"_s).toString();
        return ok({ { u"version"_s, hosts.latestVersion }, { u"notes"_s, hosts.releaseNotes } });
    });

    control.add({ "GET" }, u"state"_s,
        [=](const RouteCall &) { return jsonResponse(service->stateJson()); });
}

} // namespace sandbox
