#pragma once

#include "data/Store.h"
#include "http/FormData.h"
#include "http/Router.h"

#include <optional>

namespace sandbox {

// Checks shared by the API routes. Each answers the value, or nothing and
// sets `error` to the response to send (400 or 404 with the error object).

// The query's parameters, when every name is in `allowed` and none repeats.
std::optional<FormData> queryParameters(
    const RouteCall &call, const QStringList &allowed, HttpResponse &error);

// count (1 or more; above `maxCount` means `maxCount`), before_id and since_id.
std::optional<Paging> pagingFrom(
    const FormData &query, int defaultCount, int maxCount, HttpResponse &error);

// A decimal id of 1 or more; `what` names it in the message.
std::optional<Id> parseId(const QString &text, const QString &what, HttpResponse &error);

// A user path value: a decimal id, "me", or "@" and a user name.
const User *userFromPath(const Store &store, const QString &value, Id viewer, HttpResponse &error);
// A post path value: the decimal id of a post that exists and is not deleted.
const Post *postFromPath(const Store &store, const QString &value, HttpResponse &error);
// The post named by the first path value of a call that takes no query
// parameters (star, unstar, delete, one post).
const Post *postOfPlainCall(const Store &store, const RouteCall &call, HttpResponse &error);

} // namespace sandbox
