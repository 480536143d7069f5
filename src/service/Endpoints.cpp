#include "service/Endpoints.h"

#include <array>
#include <iterator>

namespace {

constexpr auto AlertFirst = AlertOrder::AlertThenCompletion;
constexpr auto CompletionFirst = AlertOrder::CompletionThenAlert;

constexpr const char *fetchStream = "Unable to fetch stream.";
constexpr const char *loadStream = "Unable to load stream.";
constexpr const char *loadUser = "Unable to load user.";
constexpr const char *loadFollowers = "Unable to load followers.";
constexpr const char *performRequest = "Unable to perform request.";
constexpr const char *streamLog = "response: %1";

// In the order of the Endpoint enumeration.
constexpr std::array table {
    EndpointInfo { "GET", "posts/stream", Payload::Query, fetchStream, streamLog, AlertFirst },
    EndpointInfo { "GET", "users/me/posts", Payload::Query, fetchStream, streamLog, AlertFirst },
    EndpointInfo { "GET", "users/me/mentions", Payload::Query, fetchStream, streamLog, AlertFirst },
    // The mention check runs in the background: a failure is only logged.
    EndpointInfo { "GET", "users/me/mentions", Payload::Query, nullptr,
        "responseErrorForNotifications: %1", AlertFirst },
    EndpointInfo {
        "GET", "posts/stream/global", Payload::Query, fetchStream, streamLog, AlertFirst },
    EndpointInfo { "GET", "/users/me/stars", Payload::Query, fetchStream, streamLog, AlertFirst },
    EndpointInfo {
        "GET", "users/{user_id}/posts", Payload::Query, loadStream, nullptr, AlertFirst },
    EndpointInfo { "GET", "posts/tag/{hashtag}", Payload::Query, loadStream, nullptr, AlertFirst },
    EndpointInfo {
        "GET", "posts/{post_id}/replies", Payload::None, loadStream, nullptr, AlertFirst },
    EndpointInfo { "GET", "users/me", Payload::None, loadStream, nullptr, AlertFirst },
    EndpointInfo { "GET", "users/{user_id}", Payload::None, loadUser, nullptr, CompletionFirst },
    EndpointInfo { "GET", "users/@{username}", Payload::None, loadUser, nullptr, CompletionFirst },
    EndpointInfo { "GET", "users/{user_id}/followers", Payload::None, loadFollowers, nullptr,
        CompletionFirst },
    EndpointInfo { "GET", "users/{user_id}/following", Payload::None, loadFollowers, nullptr,
        CompletionFirst },
    EndpointInfo { "GET", "users/{user_id}/following", Payload::None,
        "Unable to load user following.", nullptr, AlertFirst },
    EndpointInfo {
        "POST", "posts", Payload::FormBody, "Unable to post.", nullptr, CompletionFirst },
    EndpointInfo { "POST", "posts/{post_id}/star", Payload::None, "Unable to star post.", nullptr,
        CompletionFirst },
    EndpointInfo { "DELETE", "posts/{post_id}/star", Payload::None, "Unable to unstar post.",
        nullptr, CompletionFirst },
    EndpointInfo {
        "DELETE", "posts/{post_id}", Payload::None, performRequest, nullptr, CompletionFirst },
    EndpointInfo {
        "POST", "users/{user_id}/mute", Payload::None, performRequest, nullptr, CompletionFirst },
    EndpointInfo {
        "POST", "users/{user_id}/follow", Payload::None, performRequest, nullptr, CompletionFirst },
    EndpointInfo { "DELETE", "users/{user_id}/follow", Payload::None, performRequest, nullptr,
        CompletionFirst },
};

static_assert(
    table.size() == std::size_t(Endpoint::UnfollowUser) + 1, "one table row per endpoint");

} // namespace

const EndpointInfo &endpointInfo(Endpoint endpoint)
{
    return table[std::size_t(endpoint)];
}

AnswerShape expectedAnswer(Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::CurrentUser:
    case Endpoint::User:
    case Endpoint::UserSearch:
        return AnswerShape::UserRecord;
    case Endpoint::Followers:
    case Endpoint::Following:
    case Endpoint::CurrentUserFollowing:
        return AnswerShape::UserPage;
    case Endpoint::NewPost:
    case Endpoint::StarPost:
    case Endpoint::UnstarPost:
    case Endpoint::DeletePost:
    case Endpoint::MuteUser:
    case Endpoint::FollowUser:
    case Endpoint::UnfollowUser:
        return AnswerShape::Unread;
    default:
        return AnswerShape::PostPage;
    }
}
