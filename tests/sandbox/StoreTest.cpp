#include "data/Store.h"

#include <QJsonArray>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace sandbox;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : { "ann", "ben", "cy" }) {
            User u;
            u.username = QString::fromLatin1(name);
            u.avatar = u.username;
            store.addUser(u);
        }
        const QDateTime start(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc());
        for (int i = 0; i < 30; ++i)
            store.addPost(Id(1 + i % 3), QStringLiteral("post %1 #tag @ben").arg(i), 0,
                start.addSecs(i * 60), Source());
    }

    QList<Id> ids(
        const Paging &paging,
        const std::function<bool(const Post &)> &filter = [](const Post &) { return true; })
    {
        QList<Id> out;
        for (const Post *p : store.page(filter, paging))
            out.append(p->id);
        return out;
    }

    Store store;
};

} // namespace

TEST_F(StoreTest, PagesNewestFirstWithBeforeAndSince)
{
    EXPECT_EQ(ids({ 3, {}, {} }), (QList<Id> { 30, 29, 28 }));
    EXPECT_EQ(ids({ 3, Id(28), {} }), (QList<Id> { 27, 26, 25 }));
    // since_id answers the newest posts above it, at most count of them.
    EXPECT_EQ(ids({ 3, {}, Id(10) }), (QList<Id> { 30, 29, 28 }));
    EXPECT_EQ(ids({ 50, Id(14), Id(10) }), (QList<Id> { 13, 12, 11 }));
    EXPECT_TRUE(ids({ 5, Id(1), {} }).isEmpty());
    EXPECT_TRUE(ids({ 5, {}, Id(30) }).isEmpty());
    EXPECT_EQ(ids({ 4, {}, {} }, [](const Post &p) { return p.userId == 2; }),
        (QList<Id> { 29, 26, 23, 20 }));
}

TEST_F(StoreTest, DeletedPostsLeaveEveryStreamButKeepTheirThread)
{
    const QDateTime later(QDate(2024, 2, 1), QTime(0, 0), QTimeZone::utc());
    const Id reply = store.addPost(2, QStringLiteral("@ann reply"), 30, later, Source()).id;
    ASSERT_EQ(store.replyCount(30), 1);
    ASSERT_TRUE(store.deletePost(30));
    EXPECT_FALSE(store.deletePost(30));
    EXPECT_EQ(store.post(30), nullptr);
    EXPECT_EQ(ids({ 3, {}, {} }), (QList<Id> { reply, 29, 28 }));
    EXPECT_EQ(store.post(reply)->threadId, 30);
    EXPECT_EQ(store.postCountOf(3), 9);
    // A reply to the deleted post still joins its conversation.
    EXPECT_EQ(store.addPost(1, QStringLiteral("late"), reply, later, Source()).threadId, 30);
}

TEST_F(StoreTest, RelationsAreIdempotentAndOrdered)
{
    EXPECT_TRUE(store.follow(1, 2));
    EXPECT_FALSE(store.follow(1, 2));
    EXPECT_FALSE(store.follow(1, 1));
    EXPECT_TRUE(store.follow(3, 2));
    EXPECT_EQ(store.followersOf(2), (QList<Id> { 3, 1 })); // most recent first
    EXPECT_TRUE(store.unfollow(1, 2));
    EXPECT_FALSE(store.unfollow(1, 2));
    EXPECT_EQ(store.followersOf(2), QList<Id> { 3 });

    EXPECT_TRUE(store.star(1, 5));
    EXPECT_FALSE(store.star(1, 5));
    EXPECT_TRUE(store.star(2, 5));
    EXPECT_EQ(store.starCount(5), 2);
    EXPECT_TRUE(store.unstar(1, 5));
    EXPECT_FALSE(store.unstar(1, 5));
    EXPECT_EQ(store.starCount(5), 1);

    EXPECT_FALSE(store.mute(2, 2));
    EXPECT_TRUE(store.mute(2, 3));
    EXPECT_TRUE(store.hasMuted(2, 3));
    EXPECT_FALSE(store.hasMuted(3, 2));
}

TEST_F(StoreTest, MentionsResolveToRegisteredUsers)
{
    const Post *p = store.post(1);
    ASSERT_EQ(p->entities.mentions.size(), 1);
    EXPECT_EQ(p->entities.mentions[0].userId, 2);
    EXPECT_EQ(store.userByName(QStringLiteral("BEN"))->id, 2);
}

TEST_F(StoreTest, JsonRoundTripKeepsEverything)
{
    store.follow(1, 2);
    store.star(3, 7);
    store.mute(2, 1);
    store.addPost(2, QStringLiteral("answer 😀"), 7,
        QDateTime(QDate(2024, 1, 2), QTime(0, 0), QTimeZone::utc()),
        Source { QStringLiteral("Web"), QStringLiteral("http://x/"), QStringLiteral("id") });
    store.deletePost(4);

    Store copy;
    QString error;
    ASSERT_TRUE(copy.fromJson(store.toJson(), &error)) << error.toStdString();
    EXPECT_EQ(copy.toJson(), store.toJson());
    EXPECT_EQ(copy.post(31)->threadId, 7);
    EXPECT_EQ(copy.post(31)->source.name, QStringLiteral("Web"));
    EXPECT_EQ(copy.post(4), nullptr);
    EXPECT_TRUE(copy.hasStarred(3, 7));
    EXPECT_TRUE(copy.hasMuted(2, 1));
    EXPECT_EQ(copy.lastPostId(), 31);
}

TEST_F(StoreTest, FromJsonRefusesBrokenStatesAndChangesNothing)
{
    const QJsonObject good = store.toJson();
    auto broken = [&](const QString &key, const QJsonValue &value) {
        QJsonObject o = good;
        o.insert(key, value);
        return o;
    };
    QJsonArray orphan = good.value(QStringLiteral("posts")).toArray();
    QJsonObject post = orphan.at(0).toObject();
    post.insert(QStringLiteral("user_id"), QStringLiteral("99"));
    orphan.replace(0, post);
    QJsonArray badReply = good.value(QStringLiteral("posts")).toArray();
    post = badReply.at(1).toObject();
    post.insert(QStringLiteral("reply_to"), QStringLiteral("5000"));
    badReply.replace(1, post);

    Store target;
    target.addUser(User { 0, QStringLiteral("keep"), {}, {}, {}, {}, {} });
    for (const QJsonObject &doc : { broken(QStringLiteral("format"), QStringLiteral("other")),
             broken(QStringLiteral("version"), 99), broken(QStringLiteral("posts"), orphan),
             broken(QStringLiteral("posts"), badReply),
             broken(QStringLiteral("stars"),
                 QJsonArray { QJsonArray { QStringLiteral("1"), QStringLiteral("777") } }),
             broken(QStringLiteral("users"),
                 QJsonArray { QJsonObject { { QStringLiteral("id"), QStringLiteral("1") },
                     { QStringLiteral("username"), QStringLiteral("bad name") } } }) }) {
        QString error;
        EXPECT_FALSE(target.fromJson(doc, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_NE(target.userByName(QStringLiteral("keep")), nullptr);
    }
}
