#include "data/Seed.h"

#include "data/SeedTexts.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

constexpr qint64 kDay = 24 * 3600;
constexpr qint64 kMaxAge = 120 * kDay;

struct Draft {
    qint64 age = 0; // seconds before the anchor
    Id author = 0;
    QString text;
    int parent = -1; // index into the drafts
    int depth = 0;
};

// Turns templates into post texts, drawing every choice from one generator so
// that a seed always gives the same world.
class TextFiller {
public:
    TextFiller(QRandomGenerator &rng, const Store &store, QString baseUrl)
        : m_rng(rng)
        , m_store(store)
        , m_base(std::move(baseUrl))
    {
    }

    QString pick(const QStringList &list)
    {
        return list.at(int(m_rng.bounded(quint32(list.size()))));
    }
    int between(int low, int high) { return low + int(m_rng.bounded(quint32(high - low + 1))); }

    // Someone to mention: a seeded user other than `author` and the demo user.
    QString otherUser(Id author)
    {
        const int users = int(m_store.users().size());
        while (true) {
            const Id id = between(3, users);
            if (id != author)
                return m_store.user(id)->username;
        }
    }

    QString fill(QString text, Id author)
    {
        const std::pair<const char16_t *, std::function<QString()>> slots[] = {
            { u"{tag2}", [&]() -> QString { return u"#"_s + pick(seedtexts::hashtags()); } },
            { u"{tag}", [&]() -> QString { return u"#"_s + pick(seedtexts::hashtags()); } },
            { u"{user}", [&]() -> QString { return otherUser(author); } },
            { u"{link}",
                [&]() -> QString {
                    return pick(seedtexts::schemeLinkForms())
                        .replace(u"{slug}"_s, pick(seedtexts::slugs()));
                } },
            { u"{bare}",
                [&]() -> QString {
                    return pick(seedtexts::bareLinkForms())
                        .replace(u"{slug}"_s, pick(seedtexts::slugs()));
                } },
            { u"{img}",
                [&]() -> QString {
                    return m_base + u"/img/sample-"_s
                        + QString::number(between(1, kSampleImageCount)) + u".png"_s;
                } },
            { u"{emoji}", [&]() -> QString { return pick(seedtexts::emoji()); } },
            { u"{thing}", [&]() -> QString { return pick(seedtexts::things()); } },
            { u"{place}", [&]() -> QString { return pick(seedtexts::places()); } },
            { u"{food}", [&]() -> QString { return pick(seedtexts::foods()); } },
            { u"{book}", [&]() -> QString { return pick(seedtexts::books()); } },
            { u"{project}", [&]() -> QString { return pick(seedtexts::projects()); } },
            { u"{n}", [&]() -> QString { return QString::number(between(2, 42)); } },
            { u"{version}",
                [&]() -> QString {
                    return u"%1.%2.%3"_s.arg(between(0, 2)).arg(between(0, 9)).arg(between(0, 9));
                } },
        };
        for (const auto &[key, make] : slots) {
            const QString placeholder = QString::fromUtf16(key);
            for (qsizetype at = text.indexOf(placeholder); at >= 0;
                 at = text.indexOf(placeholder, at)) {
                const QString value = make();
                text.replace(at, placeholder.size(), value);
                at += value.size();
            }
        }
        return fitted(text);
    }

    // Cuts a text over the length limit at the last space that fits.
    static QString fitted(const QString &text)
    {
        if (text.size() <= kMaxPostLength)
            return text;
        qsizetype cut = text.lastIndexOf(u' ', kMaxPostLength - 1);
        if (cut <= 0)
            cut = kMaxPostLength - 1;
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        return text.left(cut).trimmed() + u"…"_s;
    }

private:
    QRandomGenerator &m_rng;
    const Store &m_store;
    QString m_base;
};

QRandomGenerator generatorFor(quint64 seed)
{
    const quint32 words[2] = { quint32(seed), quint32(seed >> 32) };
    return QRandomGenerator(words, 2);
}

void seedUsers(Store &store, const QDateTime &anchor)
{
    const QList<seedtexts::SeedUser> users = seedtexts::users();
    for (qsizetype i = 0; i < users.size(); ++i) {
        User u;
        u.id = i + 1;
        u.username = QString::fromUtf16(users[i].username);
        u.name = QString::fromUtf16(users[i].name);
        u.description = QString::fromUtf16(users[i].description);
        u.password = u.id == kDemoUserId ? QString::fromLatin1(kDemoPassword)
                                         : QString::fromLatin1(kOtherUsersPassword);
        u.avatar = u.username;
        u.createdAt = anchor.addDays(-400 + i * 3);
        store.addUser(u);
    }
}

QList<Draft> draftPosts(TextFiller &fill, QRandomGenerator &rng, int userCount)
{
    QList<Draft> drafts;
    auto age = [&] {
        const double u = rng.generateDouble();
        return std::max<qint64>(240, qint64(double(kMaxAge) * u * u));
    };
    auto author = [&] {
        // Lower ids post more, so the stream has regulars and lurkers.
        const double u = std::pow(rng.generateDouble(), 1.4);
        return std::min<Id>(userCount, 3 + Id(double(userCount - 2) * u));
    };
    auto add = [&](Id who, const QString &tmpl, qint64 when) {
        drafts.append(Draft { when, who, fill.fill(tmpl, who) });
    };

    for (int i = 0; i < 430; ++i) {
        const Id who = author();
        add(who, fill.pick(seedtexts::posts()), age());
    }
    for (const QString &tmpl : seedtexts::unicodePosts()) {
        add(author(), tmpl, age());
        add(author(), tmpl, age());
    }
    for (int i = 0; i < 40; ++i)
        add(author(), fill.pick(seedtexts::demoMentions()), age());
    for (int i = 0; i < 22; ++i)
        add(kDemoUserId, fill.pick(seedtexts::demoPosts()), age());
    for (const QString &tmpl : seedtexts::makerPosts())
        add(kMakerUserId, tmpl, age());
    // The newest post is a few minutes old, so the demo opens on fresh posts.
    add(3, u"Good morning, everyone! Fresh coffee and a fresh stream ☕ #coffee"_s, 180);
    return drafts;
}

// Grows conversations below some of the top-level posts: a few of them seven
// levels deep with side branches, the rest short exchanges. The "@parent "
// that starts every reply is put in when the parent's id is known.
void draftReplies(QList<Draft> &drafts, TextFiller &fill, QRandomGenerator &rng, int userCount)
{
    const int roots = int(drafts.size());
    auto replyTo = [&](int parent, Id who) -> int {
        const Draft &p = drafts[parent];
        const qint64 gap = 90 + qint64(rng.bounded(6 * 3600));
        if (p.age - gap < 60)
            return -1;
        Draft d;
        d.age = p.age - gap;
        d.author = who;
        d.parent = parent;
        d.depth = p.depth + 1;
        d.text = fill.fill(fill.pick(seedtexts::replies()), who);
        drafts.append(d);
        return int(drafts.size()) - 1;
    };
    auto otherThan = [&](Id a, Id b) {
        while (true) {
            const Id id = fill.between(1, userCount);
            if (id != a && id != b && id != kMakerUserId)
                return id;
        }
    };

    for (int t = 0; t < 90; ++t) {
        const int root = int(rng.bounded(quint32(roots)));
        if (drafts[root].age < 3 * 3600)
            continue; // too fresh to have gathered answers
        const bool deep = t < 12;
        const int length = deep ? fill.between(5, 7) : fill.between(1, 4);
        int parent = root;
        Id previous = drafts[root].author;
        for (int level = 0; level < length && parent >= 0; ++level) {
            Id who
                = (level % 2 == 1) ? drafts[root].author : otherThan(previous, drafts[root].author);
            if (who == previous)
                who = otherThan(previous, 0);
            if (t % 4 == 0 && level == 1)
                who = previous == kDemoUserId ? otherThan(previous, 0) : kDemoUserId;
            const int child = replyTo(parent, who);
            if (child < 0)
                break;
            if (deep && level == 2)
                replyTo(parent, otherThan(who, previous)); // a side branch
            previous = who;
            parent = child;
        }
    }
}

void seedRelations(Store &store, QRandomGenerator &rng, int userCount)
{
    for (Id id = 3; id <= 20; ++id)
        store.follow(kDemoUserId, id);
    for (int i = 0; i < 24; ++i)
        store.follow(3 + Id(rng.bounded(quint32(userCount - 2))), kDemoUserId);
    for (Id id = 3; id <= userCount; ++id) {
        if (rng.bounded(3u) != 0)
            store.follow(id, kMakerUserId);
        const int n = 6 + int(rng.bounded(10u));
        for (int i = 0; i < n; ++i)
            store.follow(id, 3 + Id(rng.bounded(quint32(userCount - 2))));
    }
    store.follow(kMakerUserId, 3);
    store.follow(kMakerUserId, kDemoUserId);

    const Id last = store.lastPostId();
    auto recentPost = [&] {
        const double u = std::pow(rng.generateDouble(), 1.3);
        return std::max<Id>(1, last - Id(double(last - 1) * u));
    };
    for (int i = 0; i < 45; ++i) {
        const Id post = recentPost();
        if (const Post *p = store.post(post); p && p->userId != kDemoUserId)
            store.star(kDemoUserId, post);
    }
    for (Id id = 2; id <= userCount; ++id) {
        const int n = 5 + int(rng.bounded(20u));
        for (int i = 0; i < n; ++i)
            store.star(id, recentPost());
    }
}

} // namespace

QList<Source> seedSources(const QString &baseUrl)
{
    return {
        { u"Velto"_s, baseUrl + u"/"_s, QString::fromLatin1(kVeltoClientId) },
        { u"Quill"_s, baseUrl + u"/apps/quill"_s, u"qU1llQu1llQu1llQu1llQu1llQu1llQ1"_s },
        { u"Driftwood"_s, baseUrl + u"/apps/driftwood"_s, u"dR1ftw00dDr1ftw00dDr1ftw00dDr1fT"_s },
        { u"Web"_s, baseUrl + u"/apps/web"_s, u"w3bW3bw3bW3bw3bW3bw3bW3bw3bW3bw3"_s },
        { u"Pelican"_s, baseUrl + u"/apps/pelican"_s, u"p3l1canP3l1canP3l1canP3l1canP3l1"_s },
    };
}

void seedStore(Store &store, quint64 seed, const QDateTime &anchor, const QString &baseUrl)
{
    store.clear();
    const QDateTime now = anchor.toTimeZone(QTimeZone::utc());
    seedUsers(store, now);
    const int userCount = int(store.users().size());

    QRandomGenerator rng = generatorFor(seed);
    TextFiller fill(rng, store, baseUrl);
    QList<Draft> drafts = draftPosts(fill, rng, userCount);
    draftReplies(drafts, fill, rng, userCount);

    // Oldest first, so ids grow with time and every parent precedes its replies.
    QList<int> order(drafts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return drafts[a].age > drafts[b].age; });

    const QList<Source> sources = seedSources(baseUrl);
    QHash<int, Id> ids;
    for (int index : order) {
        const Draft &d = drafts[index];
        Id replyTo = 0;
        QString text = d.text;
        if (d.parent >= 0) {
            replyTo = ids.value(d.parent);
            const Post *parent = store.post(replyTo);
            text
                = TextFiller::fitted(u"@"_s + store.user(parent->userId)->username + u" "_s + text);
        }
        const Source &source = d.author == kMakerUserId
            ? sources[0]
            : sources[int(rng.bounded(quint32(sources.size())))];
        ids.insert(index, store.addPost(d.author, text, replyTo, now.addSecs(-d.age), source).id);
    }
    seedRelations(store, rng, userCount);
}

std::pair<Id, QString> demoMention(
    const Store &store, QRandomGenerator &rng, const QString &baseUrl)
{
    TextFiller fill(rng, store, baseUrl);
    const Id author = fill.between(3, int(store.users().size()));
    return { author, fill.fill(fill.pick(seedtexts::demoMentions()), author) };
}

} // namespace sandbox
