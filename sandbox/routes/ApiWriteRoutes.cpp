// The API's changing endpoints: new posts, stars, deletion, follows and mutes.
#include "routes/Routes.h"

#include "SandboxService.h"
#include "data/Seed.h"
#include "routes/ApiSupport.h"
#include "routes/JsonRenderer.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

struct NewPost {
    QString text;
    std::optional<QString> replyTo;
};

// The body of POST posts: a form ("text", optional "reply_to"), as Velto
// sends it, or a JSON object with the same fields.
std::optional<NewPost> readNewPost(const HttpRequest &request, HttpResponse &error)
{
    const QByteArray type = request.header("content-type").split(';').first().trimmed().toLower();
    NewPost post;
    if (type == "application/json") {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parseError);
        if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
            error = errorResponse(400, u"The body is not a JSON object"_s);
            return std::nullopt;
        }
        const QJsonObject o = doc.object();
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (it.key() != u"text" && it.key() != u"reply_to") {
                error = errorResponse(
                    400, u"Unknown field \"%1\": a post takes text and reply_to"_s.arg(it.key()));
                return std::nullopt;
            }
        }
        if (!o.value(u"text"_s).isString()) {
            error = errorResponse(400, u"text is required and must be a string"_s);
            return std::nullopt;
        }
        post.text = o.value(u"text"_s).toString();
        const QJsonValue reply = o.value(u"reply_to"_s);
        if (reply.isString())
            post.replyTo = reply.toString();
        else if (reply.isDouble())
            post.replyTo = QString::number(qint64(reply.toDouble()));
        else if (!reply.isUndefined() && !reply.isNull()) {
            error = errorResponse(400, u"reply_to must be a post id"_s);
            return std::nullopt;
        }
        return post;
    }
    if (!type.isEmpty() && type != "application/x-www-form-urlencoded") {
        error = errorResponse(415,
            u"A post is sent as application/x-www-form-urlencoded or application/json, not %1"_s
                .arg(QString::fromLatin1(type.left(60))));
        return std::nullopt;
    }
    QString message;
    const auto form = FormData::parse(request.body, &message);
    if (!form) {
        error = errorResponse(400, u"Malformed form body: "_s + message);
        return std::nullopt;
    }
    for (const QString &name : form->names()) {
        if (name != u"text" && name != u"reply_to") {
            error = errorResponse(
                400, u"Unknown field \"%1\": a post takes text and reply_to"_s.arg(name));
            return std::nullopt;
        }
        if (form->count(name) > 1) {
            error = errorResponse(400, u"Field \"%1\" is given more than once"_s.arg(name));
            return std::nullopt;
        }
    }
    if (!form->contains(u"text"_s)) {
        error = errorResponse(400, u"text is required"_s);
        return std::nullopt;
    }
    post.text = *form->value(u"text"_s);
    post.replyTo = form->value(u"reply_to"_s);
    return post;
}

std::optional<QString> checkedText(const QString &text, HttpResponse &error)
{
    if (!isWellFormedUtf16(text)) {
        error = errorResponse(400, u"text holds a broken surrogate pair"_s);
        return std::nullopt;
    }
    if (text.trimmed().isEmpty()) {
        error = errorResponse(400, u"text is empty"_s);
        return std::nullopt;
    }
    if (text.size() > kMaxPostLength) {
        error = errorResponse(400,
            u"text is %1 UTF-16 code units long; a post holds at most %2"_s.arg(text.size())
                .arg(kMaxPostLength));
        return std::nullopt;
    }
    return text;
}

} // namespace

void addApiWriteRoutes(Router &api, SandboxService &s)
{
    SandboxService *service = &s;
    Store *store = &s.store();
    auto render = [=](Id viewer) { return JsonRenderer(*store, service->baseUrl(), viewer); };

    api.add({ "POST" }, u"posts"_s, [=](const RouteCall &call) {
        HttpResponse error;
        if (!queryParameters(call, {}, error))
            return error;
        const auto input = readNewPost(call.request, error);
        if (!input)
            return error;
        const auto text = checkedText(input->text, error);
        if (!text)
            return error;
        Id replyTo = 0;
        if (input->replyTo) {
            const auto id = parseId(*input->replyTo, u"reply_to"_s, error);
            if (!id)
                return error;
            if (!store->post(*id))
                return errorResponse(404, u"No such post to reply to: %1"_s.arg(*id));
            replyTo = *id;
        }
        const Post &post = store->addPost(
            call.viewer, *text, replyTo, service->now(), seedSources(service->baseUrl()).first());
        service->noteChanged();
        return jsonResponse(render(call.viewer).post(post));
    });

    api.add({ "POST", "DELETE" }, u"posts/{}/star"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const Post *post = postOfPlainCall(*store, call, error);
        if (!post)
            return error;
        const bool changed = call.request.method == "POST" ? store->star(call.viewer, post->id)
                                                           : store->unstar(call.viewer, post->id);
        if (changed)
            service->noteChanged();
        return jsonResponse(render(call.viewer).post(*post));
    });

    api.add({ "DELETE" }, u"posts/{}"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const Post *post = postOfPlainCall(*store, call, error);
        if (!post)
            return error;
        if (post->userId != call.viewer)
            return errorResponse(403, u"Post %1 is not yours to delete"_s.arg(post->id));
        Post deleted = *post;
        deleted.deleted = true;
        store->deletePost(post->id);
        service->noteChanged();
        return jsonResponse(render(call.viewer).post(deleted));
    });

    const auto relation = [=](bool follow) {
        return [=](const RouteCall &call) {
            HttpResponse error;
            if (!queryParameters(call, {}, error))
                return error;
            const User *user = userFromPath(*store, call.args[0], call.viewer, error);
            if (!user)
                return error;
            if (user->id == call.viewer)
                return errorResponse(
                    400, follow ? u"You cannot follow yourself"_s : u"You cannot mute yourself"_s);
            const bool add = call.request.method == "POST";
            const bool changed = follow
                ? (add ? store->follow(call.viewer, user->id)
                       : store->unfollow(call.viewer, user->id))
                : (add ? store->mute(call.viewer, user->id) : store->unmute(call.viewer, user->id));
            if (changed)
                service->noteChanged();
            return jsonResponse(render(call.viewer).user(*user));
        };
    };
    api.add({ "POST", "DELETE" }, u"users/{}/follow"_s, relation(true));
    api.add({ "POST", "DELETE" }, u"users/{}/mute"_s, relation(false));
}

} // namespace sandbox
