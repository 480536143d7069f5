#pragma once

#include "data/Model.h"

#include <QHash>
#include <QJsonObject>
#include <QSet>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace sandbox {

// Which page of a stream to answer: the newest `count` posts with an id below
// `beforeId` and above `sinceId`.
struct Paging {
    int count = 20;
    std::optional<Id> beforeId;
    std::optional<Id> sinceId;
};

// The service's whole state: users, posts and the relations between them. All
// reads skip deleted posts. Ids grow with time, so newest first is highest id
// first. Not thread-safe: the server calls it from its one thread.
class Store {
public:
    void clear();

    // Users. addUser assigns the next id when the user has none.
    const User &addUser(User user);
    const User *user(Id id) const;
    const User *userByName(const QString &username) const; // any letter case
    QList<const User *> users() const;

    // Posts. The text must already be valid (the API checks it); the thread
    // and entities are worked out here. `replyTo` must name a live post or be 0.
    const Post &addPost(Id author, const QString &text, Id replyTo, const QDateTime &createdAt,
        const Source &source);
    const Post *post(Id id) const;
    bool deletePost(Id id);
    Id lastPostId() const;
    int postCount() const;
    int postCountOf(Id user) const;
    int replyCount(Id post) const;

    // The newest posts passing `filter`, paged.
    QList<const Post *> page(
        const std::function<bool(const Post &)> &filter, const Paging &paging) const;

    // Relations; each answers whether anything changed.
    bool follow(Id who, Id whom);
    bool unfollow(Id who, Id whom);
    bool follows(Id who, Id whom) const;
    QList<Id> followersOf(Id user) const; // most recent first
    QList<Id> followingOf(Id user) const; // most recent first

    bool star(Id user, Id post);
    bool unstar(Id user, Id post);
    bool hasStarred(Id user, Id post) const;
    int starCount(Id post) const;
    int starCountBy(Id user) const;

    bool mute(Id who, Id whom);
    bool unmute(Id who, Id whom);
    bool hasMuted(Id who, Id whom) const;

    // The whole state as JSON and back; fromJson leaves the store unchanged and
    // answers false with a message when the document is not a saved state.
    QJsonObject toJson() const;
    bool fromJson(const QJsonObject &state, QString *error);

private:
    using Pair = std::pair<Id, Id>;
    static bool removePair(std::vector<Pair> &list, const Pair &pair);
    static QList<Id> ordered(const std::vector<Pair> &list, Id key, bool byFirst);
    void addPostRecord(Post post);

    std::map<Id, User> m_users;
    QHash<QString, Id> m_userIdsByName; // lower-case name
    std::map<Id, Post> m_posts;
    QHash<Id, int> m_replyCounts;
    QHash<Id, int> m_postCounts;
    std::vector<Pair> m_follows; // (follower, followed), oldest first
    std::vector<Pair> m_stars; // (user, post)
    std::vector<Pair> m_mutes; // (muter, muted)
    QSet<Pair> m_followSet;
    QSet<Pair> m_starSet;
    QSet<Pair> m_muteSet;
    QHash<Id, int> m_starCounts;
    Id m_lastUserId = 0;
    Id m_lastPostId = 0;
};

} // namespace sandbox
