// The API's GET endpoints: streams, single posts, users and their lists.
#include "routes/Routes.h"

#include "SandboxService.h"
#include "routes/ApiSupport.h"
#include "routes/JsonRenderer.h"

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

constexpr int kDefaultPageSize = 20;
constexpr int kMaxPageSize = 200;
constexpr int kDefaultUserListSize = 50;

const QStringList kPagingParameters { u"count"_s, u"before_id"_s, u"since_id"_s };

using PostFilter = std::function<bool(const Post &)>;

// Newest first, paged by count, before_id and since_id.
HttpResponse streamAnswer(SandboxService *service, const RouteCall &call, const PostFilter &filter)
{
    HttpResponse error;
    const auto query = queryParameters(call, kPagingParameters, error);
    if (!query)
        return error;
    const auto paging = pagingFrom(*query, kDefaultPageSize, kMaxPageSize, error);
    if (!paging)
        return error;
    const JsonRenderer render(service->store(), service->baseUrl(), call.viewer);
    return jsonResponse(render.posts(service->store().page(filter, *paging)));
}

bool mentions(const Post &post, Id user)
{
    for (const MentionEntity &m : post.entities.mentions) {
        if (m.userId == user)
            return true;
    }
    return false;
}

bool hasHashtag(const Post &post, const QString &tag)
{
    for (const HashtagEntity &h : post.entities.hashtags) {
        if (h.name.compare(tag, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

void addApiReadRoutes(Router &api, SandboxService &s)
{
    SandboxService *service = &s;
    const Store *store = &s.store();

    api.add({ "GET" }, u"posts/stream"_s, [=](const RouteCall &call) {
        const Id me = call.viewer;
        return streamAnswer(service, call, [=](const Post &p) {
            return (p.userId == me || store->follows(me, p.userId))
                && !store->hasMuted(me, p.userId);
        });
    });
    api.add({ "GET" }, u"posts/stream/global"_s, [=](const RouteCall &call) {
        const Id me = call.viewer;
        return streamAnswer(
            service, call, [=](const Post &p) { return !store->hasMuted(me, p.userId); });
    });
    api.add({ "GET" }, u"posts/tag/{}"_s, [=](const RouteCall &call) {
        const Id me = call.viewer;
        const QString tag = call.args[0];
        return streamAnswer(service, call,
            [=](const Post &p) { return hasHashtag(p, tag) && !store->hasMuted(me, p.userId); });
    });
    api.add({ "GET" }, u"posts/{}/replies"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const Post *post = postFromPath(*store, call.args[0], error);
        if (!post)
            return error;
        const Id thread = post->threadId;
        return streamAnswer(service, call, [=](const Post &p) { return p.threadId == thread; });
    });
    api.add({ "GET" }, u"posts/{}"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const Post *post = postOfPlainCall(*store, call, error);
        if (!post)
            return error;
        return jsonResponse(JsonRenderer(*store, service->baseUrl(), call.viewer).post(*post));
    });

    api.add({ "GET" }, u"users/{}"_s, [=](const RouteCall &call) {
        HttpResponse error;
        if (!queryParameters(call, {}, error))
            return error;
        const User *user = userFromPath(*store, call.args[0], call.viewer, error);
        if (!user)
            return error;
        return jsonResponse(JsonRenderer(*store, service->baseUrl(), call.viewer).user(*user));
    });
    api.add({ "GET" }, u"users/{}/posts"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const User *user = userFromPath(*store, call.args[0], call.viewer, error);
        if (!user)
            return error;
        const Id author = user->id;
        return streamAnswer(service, call, [=](const Post &p) { return p.userId == author; });
    });
    api.add({ "GET" }, u"users/{}/mentions"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const User *user = userFromPath(*store, call.args[0], call.viewer, error);
        if (!user)
            return error;
        const Id mentioned = user->id;
        const Id me = call.viewer;
        return streamAnswer(service, call, [=](const Post &p) {
            return mentions(p, mentioned) && !store->hasMuted(me, p.userId);
        });
    });
    api.add({ "GET" }, u"users/{}/stars"_s, [=](const RouteCall &call) {
        HttpResponse error;
        const User *user = userFromPath(*store, call.args[0], call.viewer, error);
        if (!user)
            return error;
        const Id starrer = user->id;
        return streamAnswer(
            service, call, [=](const Post &p) { return store->hasStarred(starrer, p.id); });
    });

    const auto userList = [=](bool followers) {
        return [=](const RouteCall &call) {
            HttpResponse error;
            const auto query = queryParameters(call, { u"count"_s }, error);
            if (!query)
                return error;
            const auto paging = pagingFrom(*query, kDefaultUserListSize, kMaxPageSize, error);
            if (!paging)
                return error;
            const User *user = userFromPath(*store, call.args[0], call.viewer, error);
            if (!user)
                return error;
            const QList<Id> ids
                = followers ? store->followersOf(user->id) : store->followingOf(user->id);
            return jsonResponse(JsonRenderer(*store, service->baseUrl(), call.viewer)
                                    .users(ids.mid(0, paging->count)));
        };
    };
    api.add({ "GET" }, u"users/{}/followers"_s, userList(true));
    api.add({ "GET" }, u"users/{}/following"_s, userList(false));
}

} // namespace sandbox
