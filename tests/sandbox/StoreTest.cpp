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
            store.addPost(
                Id(1 + i % 3), u"post %1 #tag @ben"_qs.arg(i), 0, start.addSecs(i * 60), Source());
    }

    QList<Id> ids(const Paging &paging)
    {
        QList<Id> out;
        for (const Post *p : store.page([](const Post &) { return true; }, paging))
            out.append(p->id);
        return out;
    }

    Store store;
};

} // namespace

TEST_F(StoreTest, DeletedPostsLeaveEveryStreamButKeepTheirThread)
{
    const QDateTime later(QDate(2024, 2, 1), QTime(0, 0), QTimeZone::utc());
    const Id reply = store.addPost(2, u"@ann reply"_qs, 30, later, Source()).id;
    ASSERT_EQ(store.replyCount(30), 1);
    ASSERT_TRUE(store.deletePost(30));
    EXPECT_FALSE(store.deletePost(30));
    EXPECT_EQ(store.post(30), nullptr);
    EXPECT_EQ(ids({ 3, {}, {} }), (QList<Id> { reply, 29, 28 }));
    EXPECT_EQ(store.post(reply)->threadId, 30);
    EXPECT_EQ(store.postCountOf(3), 9);
    // A reply to the deleted post still joins its conversation.
    EXPECT_EQ(store.addPost(1, u"late"_qs, reply, later, Source()).threadId, 30);
}

TEST_F(StoreTest, FromJsonRefusesBrokenStatesAndChangesNothing)
{
    const QJsonObject good = store.toJson();
    auto broken = [&](const QString &key, const QJsonValue &value) {
        QJsonObject o = good;
        o.insert(key, value);
        return o;
    };
    QJsonArray orphan = good.value(u"posts"_qs).toArray();
    QJsonObject post = orphan.at(0).toObject();
    post.insert(u"user_id"_qs, u"99"_qs);
    orphan.replace(0, post);
    QJsonArray badReply = good.value(u"posts"_qs).toArray();
    post = badReply.at(1).toObject();
    post.insert(u"reply_to"_qs, u"5000"_qs);
    badReply.replace(1, post);

    Store target;
    target.addUser(User { 0, u"keep"_qs, {}, {}, {}, {}, {} });
    for (const QJsonObject &doc : { broken(u"format"_qs, u"other"_qs), broken(u"version"_qs, 99),
             broken(u"posts"_qs, orphan), broken(u"posts"_qs, badReply),
             broken(u"stars"_qs, QJsonArray { QJsonArray { u"1"_qs, u"777"_qs } }),
             broken(u"users"_qs,
                 QJsonArray { QJsonObject {
                     { u"id"_qs, u"1"_qs }, { u"username"_qs, u"bad name"_qs } } }) }) {
        QString error;
        EXPECT_FALSE(target.fromJson(doc, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_NE(target.userByName(u"keep"_qs), nullptr);
    }
}
