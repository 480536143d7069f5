#include "data/Store.h"

#include "data/Entities.h"

#include <algorithm>

namespace sandbox {

void Store::clear()
{
    *this = Store();
}

const User &Store::addUser(User user)
{
    if (user.id == 0)
        user.id = m_lastUserId + 1;
    m_lastUserId = std::max(m_lastUserId, user.id);
    m_userIdsByName.insert(user.username.toLower(), user.id);
    auto [it, inserted] = m_users.insert_or_assign(user.id, std::move(user));
    return it->second;
}

const User *Store::user(Id id) const
{
    const auto it = m_users.find(id);
    return it == m_users.end() ? nullptr : &it->second;
}

const User *Store::userByName(const QString &username) const
{
    const auto it = m_userIdsByName.constFind(username.toLower());
    return it == m_userIdsByName.cend() ? nullptr : user(*it);
}

QList<const User *> Store::users() const
{
    QList<const User *> out;
    out.reserve(qsizetype(m_users.size()));
    for (const auto &[id, user] : m_users)
        out.append(&user);
    return out;
}

const Post &Store::addPost(
    Id author, const QString &text, Id replyTo, const QDateTime &createdAt, const Source &source)
{
    Post post;
    post.id = m_lastPostId + 1;
    post.userId = author;
    post.text = text;
    post.createdAt = createdAt;
    post.replyTo = replyTo;
    post.source = source;
    const Post *parent = replyTo ? this->post(replyTo) : nullptr;
    if (!parent && replyTo) {
        // A reply to a deleted post stays in its conversation.
        const auto it = m_posts.find(replyTo);
        parent = it == m_posts.end() ? nullptr : &it->second;
    }
    post.threadId = parent ? parent->threadId : post.id;
    const Id id = post.id;
    addPostRecord(std::move(post));
    return m_posts.at(id);
}

void Store::addPostRecord(Post post)
{
    post.entities = extractEntities(
        post.text, [this](const QString &name) -> std::optional<std::pair<Id, QString>> {
            if (const User *u = userByName(name))
                return std::make_pair(u->id, u->username);
            return std::nullopt;
        });
    m_lastPostId = std::max(m_lastPostId, post.id);
    if (!post.deleted) {
        if (post.replyTo)
            ++m_replyCounts[post.replyTo];
        ++m_postCounts[post.userId];
    }
    const Id id = post.id;
    m_posts.insert_or_assign(id, std::move(post));
}

const Post *Store::post(Id id) const
{
    const auto it = m_posts.find(id);
    return it == m_posts.end() || it->second.deleted ? nullptr : &it->second;
}

bool Store::deletePost(Id id)
{
    const auto it = m_posts.find(id);
    if (it == m_posts.end() || it->second.deleted)
        return false;
    it->second.deleted = true;
    if (it->second.replyTo)
        --m_replyCounts[it->second.replyTo];
    --m_postCounts[it->second.userId];
    return true;
}

Id Store::lastPostId() const
{
    return m_lastPostId;
}

int Store::postCount() const
{
    return int(std::count_if(
        m_posts.begin(), m_posts.end(), [](const auto &p) { return !p.second.deleted; }));
}

int Store::postCountOf(Id user) const
{
    return m_postCounts.value(user);
}
int Store::replyCount(Id post) const
{
    return m_replyCounts.value(post);
}

QList<const Post *> Store::page(
    const std::function<bool(const Post &)> &filter, const Paging &paging) const
{
    QList<const Post *> out;
    if (paging.count <= 0)
        return out;
    auto it = paging.beforeId ? m_posts.lower_bound(*paging.beforeId) : m_posts.end();
    while (it != m_posts.begin()) {
        --it;
        const Post &post = it->second;
        if (paging.sinceId && post.id <= *paging.sinceId)
            break;
        if (post.deleted || !filter(post))
            continue;
        out.append(&post);
        if (out.size() >= paging.count)
            break;
    }
    return out;
}

bool Store::removePair(std::vector<Pair> &list, const Pair &pair)
{
    const auto it = std::find(list.begin(), list.end(), pair);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

QList<Id> Store::ordered(const std::vector<Pair> &list, Id key, bool byFirst)
{
    QList<Id> out;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if ((byFirst ? it->first : it->second) == key)
            out.append(byFirst ? it->second : it->first);
    }
    return out;
}

bool Store::follow(Id who, Id whom)
{
    if (who == whom || m_followSet.contains({ who, whom }))
        return false;
    m_followSet.insert({ who, whom });
    m_follows.push_back({ who, whom });
    return true;
}

bool Store::unfollow(Id who, Id whom)
{
    if (!m_followSet.remove({ who, whom }))
        return false;
    return removePair(m_follows, { who, whom });
}

bool Store::follows(Id who, Id whom) const
{
    return m_followSet.contains({ who, whom });
}
QList<Id> Store::followersOf(Id user) const
{
    return ordered(m_follows, user, false);
}
QList<Id> Store::followingOf(Id user) const
{
    return ordered(m_follows, user, true);
}

bool Store::star(Id user, Id post)
{
    if (m_starSet.contains({ user, post }))
        return false;
    m_starSet.insert({ user, post });
    m_stars.push_back({ user, post });
    ++m_starCounts[post];
    return true;
}

bool Store::unstar(Id user, Id post)
{
    if (!m_starSet.remove({ user, post }))
        return false;
    removePair(m_stars, { user, post });
    --m_starCounts[post];
    return true;
}

bool Store::hasStarred(Id user, Id post) const
{
    return m_starSet.contains({ user, post });
}
int Store::starCount(Id post) const
{
    return m_starCounts.value(post);
}

int Store::starCountBy(Id user) const
{
    return int(std::count_if(m_stars.begin(), m_stars.end(),
        [&](const Pair &p) { return p.first == user && this->post(p.second); }));
}

bool Store::mute(Id who, Id whom)
{
    if (who == whom || m_muteSet.contains({ who, whom }))
        return false;
    m_muteSet.insert({ who, whom });
    m_mutes.push_back({ who, whom });
    return true;
}

bool Store::unmute(Id who, Id whom)
{
    if (!m_muteSet.remove({ who, whom }))
        return false;
    return removePair(m_mutes, { who, whom });
}

bool Store::hasMuted(Id who, Id whom) const
{
    return m_muteSet.contains({ who, whom });
}

} // namespace sandbox
