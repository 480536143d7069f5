#pragma once

#include <QByteArray>
#include <QString>

// Every request the program sends to the service's API, one entry per
// operation (two operations that share a path but fail with different
// messages are two entries). Paths are relative to the API base; a path that
// carries an id or a name marks the place with a "{...}" placeholder.
enum class Endpoint {
    PersonalStream, // GET posts/stream                 stream kind 0
    OwnPosts, // GET users/me/posts               stream kind 1
    Mentions, // GET users/me/mentions            stream kind 2
    MentionPoll, // GET users/me/mentions            the mention check
    GlobalStream, // GET posts/stream/global          stream kind 3
    StarredPosts, // GET /users/me/stars              stream kind 8
    UserPosts, // GET users/{user_id}/posts        stream kind 4
    HashtagPosts, // GET posts/tag/{hashtag}          stream kind 5
    Conversation, // GET posts/{post_id}/replies      stream kind 6
    CurrentUser, // GET users/me
    User, // GET users/{user_id}
    UserSearch, // GET users/@{username}
    Followers, // GET users/{user_id}/followers    user panel list
    Following, // GET users/{user_id}/following    user panel list
    CurrentUserFollowing, // GET users/{user_id}/following    completion words
    NewPost, // POST posts                       new post, reply, quote
    StarPost, // POST posts/{post_id}/star
    UnstarPost, // DELETE posts/{post_id}/star
    DeletePost, // DELETE posts/{post_id}
    MuteUser, // POST users/{user_id}/mute
    FollowUser, // POST users/{user_id}/follow      also the maker's account
    UnfollowUser, // DELETE users/{user_id}/follow
};

// What travels besides the path.
enum class Payload {
    None, // nothing; parameters a caller passes are dropped
    Query, // parameters as the query string (count, before_id, since_id)
    FormBody, // a form-encoded body (the new post)
};

// When an operation's "Error!" alert comes relative to its completion
// handler. Stream loads keep their loading flag set while the alert is open
// (so a timer cannot start a second load underneath it) and clean up after
// it; commands stop their activity indicator or re-enable sending first.
enum class AlertOrder {
    AlertThenCompletion,
    CompletionThenAlert,
};

struct EndpointInfo {
    const char *method; // "GET", "POST" or "DELETE"
    const char *path; // relative to the API base, may hold one "{...}"
    Payload payload;
    const char *failureMessage; // the "Error!" alert's message; nullptr: no alert
    const char *failureLog; // a diagnostic line, "%1" the status; nullptr: none
    AlertOrder alertOrder;

    QByteArray methodName() const { return QByteArray(method); }
    QString pathTemplate() const { return QString::fromLatin1(path); }
    bool showsAlert() const { return failureMessage != nullptr; }
    QString alertMessage() const { return QString::fromLatin1(failureMessage); }
};

const EndpointInfo &endpointInfo(Endpoint endpoint);

// The shape a good answer has: a page of posts or users is an array, a user
// an object; a command's answer is not read.
enum class AnswerShape { PostPage, UserPage, UserRecord, Unread };
AnswerShape expectedAnswer(Endpoint endpoint);
