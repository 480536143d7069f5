#include "routes/HostilePages.h"

#include "routes/JsonRenderer.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

// The sample post under a new id, standing alone: its own thread, no parent,
// no replies or stars, made `index` minutes before `now`.
QJsonObject copyUnderId(QJsonObject post, const QString &id, int index, const QDateTime &now)
{
    post.insert(u"id"_s, id);
    post.insert(u"thread_id"_s, id);
    post.remove(u"reply_to"_s);
    post.insert(u"num_replies"_s, 0);
    post.insert(u"num_stars"_s, 0);
    post.insert(u"you_starred"_s, false);
    post.insert(u"created_at"_s, JsonRenderer::timestamp(now.addSecs(-60 * qint64(index))));
    const QString userUrl = post.value(u"user"_s).toObject().value(u"canonical_url"_s).toString();
    post.insert(u"canonical_url"_s, QString(userUrl + u"/post/"_s + id));
    return post;
}

void setText(QJsonObject &post, const QString &text, const TextEntities &entities = {})
{
    post.insert(u"text"_s, text);
    post.insert(u"html"_s, QString(u"<span>"_s + text.toHtmlEscaped() + u"</span>"_s));
    post.insert(u"entities"_s, JsonRenderer::entities(entities));
}

QByteArray arrayBytes(const QJsonArray &posts)
{
    return QJsonDocument(posts).toJson(QJsonDocument::Compact);
}

} // namespace

HostilePages::HostilePages(
    const Store &store, const QString &baseUrl, Id viewer, const QDateTime &now)
    : m_store(store)
    , m_base(baseUrl)
    , m_viewer(viewer)
    , m_now(now)
    , m_samples(samplePosts())
{
}

QList<QJsonObject> HostilePages::samplePosts(int count) const
{
    Paging paging;
    paging.count = count;
    QList<QJsonObject> out;
    const JsonRenderer render(m_store, m_base, m_viewer);
    for (const Post *post : m_store.page([](const Post &) { return true; }, paging))
        out.append(render.post(*post));
    return out;
}

QByteArray HostilePages::page(const QString &kind) const
{
    if (m_samples.isEmpty() && kind != u"deepNesting")
        return "[]";
    if (kind == u"longWord")
        return longWord();
    if (kind == u"denseEntities")
        return denseEntities();
    if (kind == u"deepNesting")
        return QByteArray(kNestingDepth, '[') + QByteArray(kNestingDepth, ']');
    if (kind == u"postsWithoutIds")
        return postsWithoutIds();
    if (kind == u"badDates")
        return badDates();
    if (kind == u"longIds")
        return longIds();
    return {};
}

QByteArray HostilePages::longWord() const
{
    QString word(kLongWordLength, Qt::Uninitialized);
    for (int i = 0; i < kLongWordLength; ++i)
        word[i] = QChar(u'a' + i % 26);
    QJsonObject post = copyUnderId(m_samples.first(), QString::number(kFirstId), 0, m_now);
    setText(post, word);
    return arrayBytes({ post });
}

QByteArray HostilePages::denseEntities() const
{
    const User *mentioned = m_store.userByName(u"alice"_s);
    if (!mentioned)
        mentioned = m_store.users().last();
    const QString unit = u"#tag @"_s + mentioned->username + u" a.com "_s;
    QString text;
    text.reserve(unit.size() * kDenseRepeats);
    TextEntities entities;
    const int nameLength = int(mentioned->username.size()) + 1;
    for (int i = 0; i < kDenseRepeats; ++i) {
        const int at = int(text.size());
        text += unit;
        entities.hashtags.append({ u"tag"_s, at, 4 });
        entities.mentions.append({ mentioned->username, mentioned->id, at + 5, nameLength });
        entities.links.append({ u"a.com"_s, u"http://a.com"_s, at + 6 + nameLength, 5 });
    }
    QJsonObject post = copyUnderId(m_samples.first(), QString::number(kFirstId), 0, m_now);
    setText(post, text, entities);
    return arrayBytes({ post });
}

QByteArray HostilePages::postsWithoutIds() const
{
    QJsonArray posts;
    auto next = [&]() {
        const int i = int(posts.size());
        return copyUnderId(
            m_samples.at(i % m_samples.size()), QString::number(kFirstId - i), i, m_now);
    };
    posts.append(next());
    for (const QString &key : { u"id"_s, u"user"_s, u"text"_s }) {
        QJsonObject post = next();
        post.remove(key);
        if (key == u"text")
            post.remove(u"html"_s);
        posts.append(post);
    }
    QJsonObject nulls = next();
    for (const QString &key : { u"id"_s, u"user"_s, u"text"_s })
        nulls.insert(key, QJsonValue::Null);
    posts.append(nulls);
    QJsonObject empties = next();
    empties.insert(u"id"_s, QString());
    empties.insert(u"user"_s, QJsonObject());
    empties.insert(u"text"_s, QString());
    posts.append(empties);
    posts.append(next());
    return arrayBytes(posts);
}

QByteArray HostilePages::badDates() const
{
    const QList<QJsonValue> dates { u"YESTERDAY"_s, u""_s, u"2024-13-45T25:61:61Z"_s,
        u"2024-02-30T12:00:00Z"_s, u"1700000000"_s, 1700000000, QJsonValue::Null,
        u"Tue, 05 Mar 2024 10:00:00 GMT"_s, QJsonValue::Undefined };
    QJsonArray posts;
    for (int i = 0; i < dates.size(); ++i) {
        QJsonObject post = copyUnderId(
            m_samples.at(i % m_samples.size()), QString::number(kFirstId - i), i, m_now);
        if (dates[i].isUndefined())
            post.remove(u"created_at"_s);
        else
            post.insert(u"created_at"_s, dates[i]);
        posts.append(post);
    }
    return arrayBytes(posts);
}

QByteArray HostilePages::longIds() const
{
    auto longId
        = [](int n) -> QString { return u"1"_s + QString::number(n).rightJustified(39, u'0'); };
    QJsonArray posts;
    constexpr int kCount = 5;
    for (int i = 0; i < kCount; ++i) {
        const QString id = longId(kCount - i);
        QJsonObject post = copyUnderId(m_samples.at(i % m_samples.size()), id, i, m_now);
        QJsonObject user = post.value(u"user"_s).toObject();
        user.insert(u"id"_s, longId(100 + i));
        post.insert(u"user"_s, user);
        if (i > 0) {
            post.insert(u"reply_to"_s, longId(kCount - i + 1));
            post.insert(u"thread_id"_s, longId(kCount));
        }
        posts.append(post);
    }
    return arrayBytes(posts);
}

QByteArray HostilePages::hugePage(
    const QList<QJsonObject> &samples, qint64 sizeBytes, const QDateTime &now)
{
    QByteArray out;
    out.reserve(sizeBytes + 2);
    out += '[';
    for (int i = 0; !samples.isEmpty(); ++i) {
        const QJsonObject post
            = copyUnderId(samples.at(i % samples.size()), QString::number(kFirstId - i), i, now);
        const QByteArray bytes = QJsonDocument(post).toJson(QJsonDocument::Compact);
        const qint64 grown = out.size() + (i > 0 ? 1 : 0) + bytes.size() + 1;
        if (i > 0 && grown > sizeBytes)
            break;
        if (i > 0)
            out += ',';
        out += bytes;
    }
    out += ']';
    return out;
}

} // namespace sandbox
