#include "data/Seed.h"
#include "http/FormData.h"
#include "media/Pictures.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace sandbox;

namespace {

const QDateTime kAnchor(QDate(2024, 3, 1), QTime(12, 0), QTimeZone::utc());

const QString kBase = u"http://127.0.0.1:9"_qs;

Store seeded(quint64 seed)
{
    Store store;
    seedStore(store, seed, kAnchor, kBase);
    return store;
}

QList<const Post *> allPosts(const Store &store)
{
    return store.page([](const Post &) { return true; }, Paging { 100000, {}, {} });
}

int depthOf(const Store &store, const Post &post)
{
    int depth = 0;
    for (const Post *p = &post; p->replyTo; p = store.post(p->replyTo))
        ++depth;
    return depth;
}

} // namespace

// The seeded world the program's tests and the demo rely on.
TEST(Seed, SameSeedSameWorldLargeValidAndVaried)
{
    const Store store = seeded(1);
    EXPECT_EQ(store.toJson(), seeded(1).toJson());
    EXPECT_NE(store.toJson(), seeded(2).toJson());
    EXPECT_EQ(store.user(kDemoUserId)->username, QString::fromLatin1(kDemoUsername));
    EXPECT_EQ(store.user(kMakerUserId)->username, u"velto"_qs);
    const QList<const Post *> posts = allPosts(store);
    ASSERT_GE(posts.size(), 500);
    EXPECT_LT(posts.first()->createdAt.secsTo(kAnchor), 3600) << "the newest post should be recent";
    QDateTime previous = kAnchor;
    int demoMentions = 0, hashtags = 0, schemeLinks = 0, bareLinks = 0, astral = 0, rtl = 0,
        deep = 0, roots = 0;
    for (const Post *p : posts) { // newest first
        EXPECT_LE(p->text.size(), kMaxPostLength) << p->id;
        EXPECT_TRUE(isWellFormedUtf16(p->text)) << p->id;
        EXPECT_LE(p->createdAt, previous) << "ids must grow with time, post " << p->id;
        previous = p->createdAt;
        if (const Post *parent = p->replyTo ? store.post(p->replyTo) : nullptr) {
            EXPECT_TRUE(p->text.startsWith(u'@' + store.user(parent->userId)->username + u' '));
        }
        for (const MentionEntity &m : p->entities.mentions)
            demoMentions += m.userId == kDemoUserId ? 1 : 0;
        hashtags += p->entities.hashtags.size();
        for (const LinkEntity &l : p->entities.links)
            (l.text == l.url ? schemeLinks : bareLinks) += 1;
        for (QChar c : p->text) {
            astral += c.isHighSurrogate() ? 1 : 0;
            rtl += c.direction() == QChar::DirR || c.direction() == QChar::DirAL ? 1 : 0;
        }
        deep += depthOf(store, *p) >= 5 ? 1 : 0;
        roots += !p->replyTo && store.replyCount(p->id) > 0 ? 1 : 0;
    }
    EXPECT_GE(demoMentions, 30);
    EXPECT_GE(hashtags, 100);
    EXPECT_GE(schemeLinks, 20);
    EXPECT_GE(bareLinks, 20);
    EXPECT_GE(astral, 50);
    EXPECT_GE(rtl, 50);
    EXPECT_GE(deep, 5);
    EXPECT_GE(roots, 40);

    // The demo user follows and is followed, some both ways, but not the maker.
    const QList<Id> following = store.followingOf(kDemoUserId);
    const QList<Id> followers = store.followersOf(kDemoUserId);
    EXPECT_GE(following.size(), 10);
    EXPECT_GE(followers.size(), 10);
    EXPECT_FALSE(store.follows(kDemoUserId, kMakerUserId));
    int mutual = 0;
    for (Id id : following)
        mutual += followers.contains(id) ? 1 : 0;
    EXPECT_GE(mutual, 3);
    EXPECT_LT(mutual, following.size());
    EXPECT_GE(store.starCountBy(kDemoUserId), 20);

    // Avatars come in many sizes, some not square, for the program to fit.
    QSet<QPair<int, int>> sizes;
    for (const User *user : store.users())
        sizes.insert({ avatarSize(user->avatar).width(), avatarSize(user->avatar).height() });
    EXPECT_GE(sizes.size(), 6);
    EXPECT_TRUE(
        std::any_of(sizes.begin(), sizes.end(), [](auto s) { return s.first != s.second; }));
}
