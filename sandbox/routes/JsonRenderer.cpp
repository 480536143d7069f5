#include "routes/JsonRenderer.h"

#include "data/Entities.h"
#include "media/Pictures.h"

#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace sandbox {

JsonRenderer::JsonRenderer(const Store &store, QString baseUrl, Id viewer)
    : m_store(store)
    , m_base(std::move(baseUrl))
    , m_viewer(viewer)
{
}

QString JsonRenderer::timestamp(const QDateTime &time)
{
    return time.toTimeZone(QTimeZone::utc()).toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'"_s);
}

QString JsonRenderer::avatarUrl(const User &user) const
{
    return m_base + u"/avatars/"_s + user.avatar + u".png"_s;
}

QString JsonRenderer::permalink(const Post &post) const
{
    const User *author = m_store.user(post.userId);
    return m_base + u"/"_s + (author ? author->username : u"unknown"_s) + u"/post/"_s
        + QString::number(post.id);
}

QJsonObject JsonRenderer::entities(const TextEntities &entities)
{
    QJsonArray mentions;
    for (const MentionEntity &m : entities.mentions)
        mentions.append(QJsonObject { { u"name"_s, m.name }, { u"id"_s, QString::number(m.userId) },
            { u"pos"_s, m.pos }, { u"len"_s, m.len } });
    QJsonArray hashtags;
    for (const HashtagEntity &h : entities.hashtags)
        hashtags.append(
            QJsonObject { { u"name"_s, h.name }, { u"pos"_s, h.pos }, { u"len"_s, h.len } });
    QJsonArray links;
    for (const LinkEntity &l : entities.links)
        links.append(QJsonObject {
            { u"text"_s, l.text }, { u"url"_s, l.url }, { u"pos"_s, l.pos }, { u"len"_s, l.len } });
    return { { u"mentions"_s, mentions }, { u"hashtags"_s, hashtags }, { u"links"_s, links } };
}

QJsonObject JsonRenderer::user(const User &user) const
{
    if (const auto it = m_users.constFind(user.id); it != m_users.cend())
        return *it;
    const QSize avatar = avatarSize(user.avatar);
    const TextEntities descriptionEntities = extractEntities(
        user.description, [this](const QString &name) -> std::optional<std::pair<Id, QString>> {
            if (const User *u = m_store.userByName(name))
                return std::make_pair(u->id, u->username);
            return std::nullopt;
        });
    const bool self = user.id == m_viewer;
    const QJsonObject object {
        { u"id"_s, QString::number(user.id) },
        { u"username"_s, user.username },
        { u"name"_s, user.name },
        { u"type"_s, u"human"_s },
        { u"created_at"_s, timestamp(user.createdAt) },
        { u"canonical_url"_s, QString(m_base + u"/"_s + user.username) },
        { u"description"_s,
            QJsonObject { { u"text"_s, user.description },
                { u"entities"_s, entities(descriptionEntities) } } },
        { u"avatar_image"_s,
            QJsonObject { { u"url"_s, avatarUrl(user) }, { u"width"_s, avatar.width() },
                { u"height"_s, avatar.height() }, { u"is_default"_s, false } } },
        { u"counts"_s,
            QJsonObject { { u"followers"_s, int(m_store.followersOf(user.id).size()) },
                { u"following"_s, int(m_store.followingOf(user.id).size()) },
                { u"posts"_s, m_store.postCountOf(user.id) },
                { u"stars"_s, m_store.starCountBy(user.id) } } },
        { u"follows_you"_s, !self && m_store.follows(user.id, m_viewer) ? 1 : 0 },
        { u"you_follow"_s, !self && m_store.follows(m_viewer, user.id) ? 1 : 0 },
        { u"you_muted"_s, m_store.hasMuted(m_viewer, user.id) },
    };
    m_users.insert(user.id, object);
    return object;
}

QJsonObject JsonRenderer::post(const Post &post) const
{
    QJsonObject o {
        { u"id"_s, QString::number(post.id) },
        { u"created_at"_s, timestamp(post.createdAt) },
        { u"text"_s, post.text },
        { u"html"_s, QString(u"<span>"_s + post.text.toHtmlEscaped() + u"</span>"_s) },
        { u"thread_id"_s, QString::number(post.threadId) },
        { u"num_replies"_s, m_store.replyCount(post.id) },
        { u"num_stars"_s, m_store.starCount(post.id) },
        { u"you_starred"_s, m_store.hasStarred(m_viewer, post.id) },
        { u"machine_only"_s, false },
        { u"canonical_url"_s, permalink(post) },
        { u"source"_s,
            QJsonObject { { u"name"_s, post.source.name }, { u"link"_s, post.source.link },
                { u"client_id"_s, post.source.clientId } } },
        { u"entities"_s, entities(post.entities) },
    };
    if (post.replyTo)
        o.insert(u"reply_to"_s, QString::number(post.replyTo));
    else if (m_store.replyCount(post.id) > 0)
        o.insert(u"reply_to"_s, QJsonValue::Null);
    if (post.deleted)
        o.insert(u"is_deleted"_s, true);
    if (const User *author = m_store.user(post.userId))
        o.insert(u"user"_s, user(*author));
    return o;
}

QJsonArray JsonRenderer::posts(const QList<const Post *> &posts) const
{
    QJsonArray out;
    for (const Post *p : posts)
        out.append(post(*p));
    return out;
}

QJsonArray JsonRenderer::users(const QList<Id> &ids) const
{
    QJsonArray out;
    for (Id id : ids) {
        if (const User *u = m_store.user(id))
            out.append(user(*u));
    }
    return out;
}

} // namespace sandbox
