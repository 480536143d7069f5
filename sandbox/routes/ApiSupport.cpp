#include "routes/ApiSupport.h"

using namespace Qt::StringLiterals;

namespace sandbox {

std::optional<FormData> queryParameters(
    const RouteCall &call, const QStringList &allowed, HttpResponse &error)
{
    QString message;
    const auto query = FormData::parse(call.request.rawQuery, &message);
    if (!query) {
        error = errorResponse(400, u"Bad query string: "_s + message);
        return std::nullopt;
    }
    for (const QString &name : query->names()) {
        if (!allowed.contains(name)) {
            error = errorResponse(400,
                allowed.isEmpty()
                    ? u"Unknown parameter \"%1\": this endpoint takes none"_s.arg(name)
                    : u"Unknown parameter \"%1\": this endpoint takes %2"_s.arg(
                        name, allowed.join(u", ")));
            return std::nullopt;
        }
        if (query->count(name) > 1) {
            error = errorResponse(400, u"Parameter \"%1\" is given more than once"_s.arg(name));
            return std::nullopt;
        }
    }
    return query;
}

std::optional<Id> parseId(const QString &text, const QString &what, HttpResponse &error)
{
    bool digitsOnly = !text.isEmpty() && text.size() <= 18;
    for (QChar c : text)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    const Id id = digitsOnly ? text.toLongLong() : 0;
    if (id <= 0) {
        error = errorResponse(
            400, u"%1 must be a decimal number, not \"%2\""_s.arg(what, text.left(40)));
        return std::nullopt;
    }
    return id;
}

std::optional<Paging> pagingFrom(
    const FormData &query, int defaultCount, int maxCount, HttpResponse &error)
{
    Paging paging;
    paging.count = defaultCount;
    if (const auto count = query.value(u"count"_s)) {
        bool ok = false;
        const qlonglong n = count->toLongLong(&ok);
        if (!ok || n < 1) {
            error = errorResponse(400,
                u"count must be a whole number from 1 to %1, not \"%2\""_s.arg(maxCount).arg(
                    count->left(40)));
            return std::nullopt;
        }
        paging.count = int(std::min<qlonglong>(n, maxCount));
    }
    if (const auto before = query.value(u"before_id"_s)) {
        paging.beforeId = parseId(*before, u"before_id"_s, error);
        if (!paging.beforeId)
            return std::nullopt;
    }
    if (const auto since = query.value(u"since_id"_s)) {
        paging.sinceId = parseId(*since, u"since_id"_s, error);
        if (!paging.sinceId)
            return std::nullopt;
    }
    return paging;
}

const User *userFromPath(const Store &store, const QString &value, Id viewer, HttpResponse &error)
{
    const User *user = nullptr;
    if (value == u"me") {
        user = store.user(viewer);
    } else if (value.startsWith(u'@')) {
        user = store.userByName(value.mid(1));
    } else {
        HttpResponse idError;
        const auto id = parseId(value, u"The user id"_s, idError);
        if (!id) {
            error = errorResponse(400,
                u"A user is named by a decimal id, \"me\" or \"@\" and a user name, not \"%1\""_s
                    .arg(value.left(40)));
            return nullptr;
        }
        user = store.user(*id);
    }
    if (!user)
        error = errorResponse(404, u"No such user: %1"_s.arg(value.left(60)));
    return user;
}

const Post *postFromPath(const Store &store, const QString &value, HttpResponse &error)
{
    const auto id = parseId(value, u"The post id"_s, error);
    if (!id)
        return nullptr;
    const Post *post = store.post(*id);
    if (!post)
        error = errorResponse(404, u"No such post: %1"_s.arg(*id));
    return post;
}

const Post *postOfPlainCall(const Store &store, const RouteCall &call, HttpResponse &error)
{
    if (!queryParameters(call, {}, error))
        return nullptr;
    return postFromPath(store, call.args[0], error);
}

} // namespace sandbox
