// Saving and loading the store as one JSON document (the --state file).
#include "data/Store.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace sandbox {

namespace {

const QString kFormat = QStringLiteral("velto-sandbox-state");
constexpr int kVersion = 1;

QString timeText(const QDateTime &t)
{
    return t.toUTC().toString(Qt::ISODate);
}

QJsonArray pairsToJson(const std::vector<std::pair<Id, Id>> &pairs)
{
    QJsonArray out;
    for (const auto &[a, b] : pairs)
        out.append(QJsonArray { QString::number(a), QString::number(b) });
    return out;
}

std::optional<Id> idFrom(const QJsonValue &v)
{
    bool ok = false;
    const Id id
        = v.isString() ? v.toString().toLongLong(&ok) : (v.isDouble() ? Id(v.toDouble()) : 0);
    if (v.isDouble())
        ok = v.toDouble() == double(id);
    if (!ok || id <= 0)
        return std::nullopt;
    return id;
}

} // namespace

QJsonObject Store::toJson() const
{
    QJsonArray users;
    for (const auto &[id, u] : m_users) {
        users.append(QJsonObject {
            { QStringLiteral("id"), QString::number(u.id) },
            { QStringLiteral("username"), u.username },
            { QStringLiteral("name"), u.name },
            { QStringLiteral("description"), u.description },
            { QStringLiteral("password"), u.password },
            { QStringLiteral("avatar"), u.avatar },
            { QStringLiteral("created_at"), timeText(u.createdAt) },
        });
    }
    QJsonArray posts;
    for (const auto &[id, p] : m_posts) {
        QJsonObject o {
            { QStringLiteral("id"), QString::number(p.id) },
            { QStringLiteral("user_id"), QString::number(p.userId) },
            { QStringLiteral("text"), p.text },
            { QStringLiteral("created_at"), timeText(p.createdAt) },
            { QStringLiteral("source"),
                QJsonObject { { QStringLiteral("name"), p.source.name },
                    { QStringLiteral("link"), p.source.link },
                    { QStringLiteral("client_id"), p.source.clientId } } },
        };
        if (p.replyTo)
            o.insert(QStringLiteral("reply_to"), QString::number(p.replyTo));
        if (p.deleted)
            o.insert(QStringLiteral("deleted"), true);
        posts.append(o);
    }
    return QJsonObject {
        { QStringLiteral("format"), kFormat },
        { QStringLiteral("version"), kVersion },
        { QStringLiteral("users"), users },
        { QStringLiteral("posts"), posts },
        { QStringLiteral("follows"), pairsToJson(m_follows) },
        { QStringLiteral("stars"), pairsToJson(m_stars) },
        { QStringLiteral("mutes"), pairsToJson(m_mutes) },
    };
}

bool Store::fromJson(const QJsonObject &state, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (state.value(QStringLiteral("format")).toString() != kFormat)
        return fail(QStringLiteral("not a velto-sandbox state file"));
    if (state.value(QStringLiteral("version")).toInt() != kVersion)
        return fail(QStringLiteral("unsupported state version %1")
                        .arg(state.value(QStringLiteral("version")).toInt()));

    static const QRegularExpression usernamePattern(QStringLiteral("^[A-Za-z0-9_]{1,20}$"));
    Store fresh;
    for (const QJsonValue &v : state.value(QStringLiteral("users")).toArray()) {
        const QJsonObject o = v.toObject();
        User u;
        const auto id = idFrom(o.value(QStringLiteral("id")));
        u.username = o.value(QStringLiteral("username")).toString();
        if (!id || fresh.user(*id) || !usernamePattern.match(u.username).hasMatch()
            || fresh.userByName(u.username))
            return fail(
                QStringLiteral("user entry with a bad or repeated id or name: %1").arg(u.username));
        u.id = *id;
        u.name = o.value(QStringLiteral("name")).toString();
        u.description = o.value(QStringLiteral("description")).toString();
        u.password = o.value(QStringLiteral("password")).toString();
        u.avatar = o.value(QStringLiteral("avatar")).toString(u.username);
        u.createdAt
            = QDateTime::fromString(o.value(QStringLiteral("created_at")).toString(), Qt::ISODate);
        fresh.addUser(u);
    }

    // Posts come in id order, so a parent is always known before its replies.
    std::map<Id, QJsonObject> postsById;
    for (const QJsonValue &v : state.value(QStringLiteral("posts")).toArray()) {
        const QJsonObject o = v.toObject();
        const auto id = idFrom(o.value(QStringLiteral("id")));
        if (!id || postsById.count(*id))
            return fail(QStringLiteral("post entry with a bad or repeated id"));
        postsById[*id] = o;
    }
    for (const auto &[id, o] : postsById) {
        Post p;
        p.id = id;
        const auto author = idFrom(o.value(QStringLiteral("user_id")));
        if (!author || !fresh.user(*author))
            return fail(QStringLiteral("post %1 names no known author").arg(id));
        p.userId = *author;
        if (!o.value(QStringLiteral("text")).isString())
            return fail(QStringLiteral("post %1 has no text").arg(id));
        p.text = o.value(QStringLiteral("text")).toString();
        p.createdAt
            = QDateTime::fromString(o.value(QStringLiteral("created_at")).toString(), Qt::ISODate);
        if (!p.createdAt.isValid())
            return fail(QStringLiteral("post %1 has no valid created_at").arg(id));
        if (o.contains(QStringLiteral("reply_to"))) {
            const auto parent = idFrom(o.value(QStringLiteral("reply_to")));
            const auto it = parent ? fresh.m_posts.find(*parent) : fresh.m_posts.end();
            if (it == fresh.m_posts.end())
                return fail(QStringLiteral("post %1 answers an unknown post").arg(id));
            p.replyTo = *parent;
            p.threadId = it->second.threadId;
        } else {
            p.threadId = id;
        }
        const QJsonObject source = o.value(QStringLiteral("source")).toObject();
        p.source = Source { source.value(QStringLiteral("name")).toString(),
            source.value(QStringLiteral("link")).toString(),
            source.value(QStringLiteral("client_id")).toString() };
        p.deleted = o.value(QStringLiteral("deleted")).toBool();
        fresh.addPostRecord(std::move(p));
    }

    auto readPairs = [&](const QString &key, auto &&accept) {
        for (const QJsonValue &v : state.value(key).toArray()) {
            const QJsonArray pair = v.toArray();
            const auto a = idFrom(pair.at(0));
            const auto b = idFrom(pair.at(1));
            if (pair.size() != 2 || !a || !b || !accept(*a, *b))
                return false;
        }
        return true;
    };
    const bool relationsOk = readPairs(QStringLiteral("follows"), [&](Id a, Id b) {
        return fresh.user(a) && fresh.user(b) && (fresh.follow(a, b) || true);
    }) && readPairs(QStringLiteral("stars"), [&](Id a, Id b) {
        return fresh.user(a) && fresh.m_posts.count(b) && (fresh.star(a, b) || true);
    }) && readPairs(QStringLiteral("mutes"), [&](Id a, Id b) {
        return fresh.user(a) && fresh.user(b) && (fresh.mute(a, b) || true);
    });
    if (!relationsOk)
        return fail(QStringLiteral("a follow, star or mute names an unknown user or post"));

    *this = std::move(fresh);
    return true;
}

} // namespace sandbox
