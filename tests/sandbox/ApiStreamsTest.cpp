// The stream API's read side, driven in-process: authentication, every stream
// and its rule, paging, the post and user objects, and refused requests.
#include "ServiceHarness.h"

#include "data/Seed.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

class ApiStreams : public ::testing::Test {
protected:
    QStringList ids(const QByteArray &path) { return ServiceHarness::ids(h.list(path)); }

    ServiceHarness h;
};

} // namespace

TEST_F(ApiStreams, EveryApiAnswerNeedsAValidBearerToken)
{
    for (const QByteArray &path : { QByteArray("posts/stream"), QByteArray("no/such/path") }) {
        EXPECT_EQ(h.send("GET", "/stream/0/" + path).status, 401) << path.constData();
        EXPECT_EQ(h.api("GET", path, {}, "wrong-token").status, 401) << path.constData();
        EXPECT_EQ(
            h.send("GET", "/stream/0/" + path, {}, { { "authorization", "Basic ZGVtbzpkZW1v" } })
                .status,
            401);
    }
    const HttpResponse refused = h.send("POST", "/stream/0/posts", "text=hi");
    EXPECT_EQ(refused.status, 401);
    EXPECT_FALSE(ServiceHarness::errorMessage(refused).isEmpty());
    EXPECT_FALSE(refused.header("WWW-Authenticate").isEmpty());
    EXPECT_EQ(
        h.send("GET", "/stream/0/users/me", {}, { { "authorization", "bearer   demo-token " } })
            .status,
        200);
}

TEST_F(ApiStreams, EachStreamFollowsItsRuleNewestFirst)
{
    const Store &store = h.service.store();
    const QJsonArray personal = h.list("posts/stream?count=200&");
    ASSERT_EQ(personal.size(), 200);
    qint64 previous = std::numeric_limits<qint64>::max();
    for (const QJsonValue &p : personal) {
        const Id author = str(p, "user.id").toLongLong();
        EXPECT_TRUE(author == kDemoUserId || store.follows(kDemoUserId, author)) << author;
        EXPECT_LT(str(p, "id").toLongLong(), previous);
        previous = str(p, "id").toLongLong();
    }
    EXPECT_EQ(h.list("posts/stream").size(), 20); // the default page
    EXPECT_EQ(h.list("posts/stream?count=5000").size(), 200); // at most 200

    for (const QJsonValue &p : h.list("users/me/posts?count=200"))
        EXPECT_EQ(str(p, "user.id"), u"1"_qs);
    EXPECT_EQ(h.list("users/@alice/posts?count=50"), h.list("users/3/posts?count=50"));
    const QJsonArray mentions = h.list("users/me/mentions?count=200");
    ASSERT_GE(mentions.size(), 30);
    for (const QJsonValue &p : mentions) {
        QStringList named;
        for (const QJsonValue &m : at(p, "entities.mentions").toArray())
            named << str(m, "id");
        EXPECT_TRUE(named.contains(u"1"_qs)) << str(p, "text").toStdString();
    }
    const QJsonArray stars = h.list("users/me/stars?count=200");
    ASSERT_GE(stars.size(), 20);
    for (const QJsonValue &p : stars)
        EXPECT_TRUE(at(p, "you_starred").toBool());
    const QJsonArray tagged = h.list("posts/tag/COFFEE?count=200");
    ASSERT_GE(tagged.size(), 3);
    for (const QJsonValue &p : tagged)
        EXPECT_TRUE(str(p, "text").contains(u"#coffee"_qs, Qt::CaseInsensitive));
    EXPECT_TRUE(h.list("posts/tag/nosuchtag").isEmpty());
}

TEST_F(ApiStreams, PagingWithBeforeAndSinceIdJoinsSeamlessly)
{
    const QStringList all = ids("posts/stream/global?count=60");
    ASSERT_EQ(all.size(), 60);
    QStringList paged = ids("posts/stream/global?count=20");
    for (int i = 0; i < 2; ++i)
        paged += ids("posts/stream/global?count=20&before_id=" + paged.last().toUtf8());
    EXPECT_EQ(paged, all);
    // since_id answers what came after; with both, the window between.
    EXPECT_EQ(ids("posts/stream/global?count=200&since_id=" + all[10].toUtf8()), all.mid(0, 10));
    EXPECT_EQ(
        ids("posts/stream/global?since_id=" + all[30].toUtf8() + "&before_id=" + all[20].toUtf8()),
        all.mid(21, 9));
    EXPECT_TRUE(ids("posts/stream/global?since_id=" + all[0].toUtf8()).isEmpty());
}

TEST_F(ApiStreams, ConversationHoldsTheWholeThreadFromAnyOfItsPosts)
{
    const Store &store = h.service.store();
    const Post *deepest = nullptr;
    int best = 0;
    for (const Post *p : store.page([](const Post &) { return true; }, Paging { 10000, {}, {} })) {
        int depth = 0;
        for (const Post *q = p; q->replyTo; q = store.post(q->replyTo))
            ++depth;
        if (depth > best)
            std::tie(best, deepest) = std::pair(depth, p);
    }
    ASSERT_GE(best, 5);
    const QJsonArray fromLeaf = h.list("posts/" + QByteArray::number(deepest->id) + "/replies");
    EXPECT_EQ(fromLeaf, h.list("posts/" + QByteArray::number(deepest->threadId) + "/replies"));
    EXPECT_GE(fromLeaf.size(), best + 1);
    for (const QJsonValue &p : fromLeaf)
        EXPECT_EQ(str(p, "thread_id"), QString::number(deepest->threadId));
    // The first post carries reply_to null, every other one its parent.
    const QJsonObject root = fromLeaf.last().toObject();
    EXPECT_EQ(str(root, "id"), QString::number(deepest->threadId));
    ASSERT_TRUE(root.contains(u"reply_to"_qs));
    EXPECT_TRUE(root.value(u"reply_to"_qs).isNull());
    EXPECT_TRUE(at(fromLeaf.first(), "reply_to").isString());
}

TEST_F(ApiStreams, PostObjectCarriesEveryFieldVeltoReads)
{
    const QRegularExpression time(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"_qs);
    int absentReplyTo = 0;
    for (const QJsonValue &p : h.list("posts/stream/global?count=200")) {
        EXPECT_TRUE(time.match(str(p, "created_at")).hasMatch());
        for (const char *key : { "id", "text", "user.id", "user.username", "user.name" })
            EXPECT_TRUE(at(p, key).isString()) << key;
        for (const char *key : { "user.follows_you", "user.you_follow" })
            EXPECT_TRUE(at(p, key).isDouble()) << key;
        for (const char *key : { "entities.mentions", "entities.hashtags", "entities.links" })
            EXPECT_TRUE(at(p, key).isArray()) << key;
        EXPECT_TRUE(at(p, "you_starred").isBool());
        EXPECT_FALSE(str(p, "source.name").isEmpty());
        EXPECT_TRUE(str(p, "source.link").startsWith(kBase));
        EXPECT_TRUE(str(p, "user.avatar_image.url").startsWith(kBase + u"/avatars/"_qs));
        if (!p.toObject().contains(u"reply_to"_qs)) {
            ++absentReplyTo;
            EXPECT_EQ(at(p, "num_replies").toInt(), 0);
        }
    }
    EXPECT_GT(absentReplyTo, 50);
}

TEST_F(ApiStreams, UsersAndTheirLists)
{
    EXPECT_EQ(str(h.one("users/me"), "username"), u"demo"_qs);
    EXPECT_EQ(str(h.one("users/@ALICE"), "id"), u"3"_qs);
    // Velto asks "users/@%@" with the typed text; a typed "@" doubles it.
    EXPECT_EQ(h.api("GET", "users/@@alice").status, 404);
    const QJsonArray following = h.list("users/1/following");
    ASSERT_EQ(following.size(), qsizetype(h.service.store().followingOf(1).size()));
    for (const QJsonValue &u : following)
        EXPECT_EQ(at(u, "you_follow"), 1);
    for (const QJsonValue &u : h.list("users/me/followers"))
        EXPECT_EQ(at(u, "follows_you"), 1);
    EXPECT_EQ(h.list("users/me/followers?count=3").size(), 3);
}

TEST_F(ApiStreams, BadRequestsGetAClearStatusAndMessage)
{
    const struct {
        QByteArray method;
        QByteArray path;
        int status;
    } cases[] = {
        { "GET", "posts/stream?count=abc", 400 },
        { "GET", "posts/stream?count=20&count=50", 400 },
        { "GET", "users/99999", 404 },
        { "GET", "posts/99999999999999999999", 400 },
        { "GET", "/users/me/stars", 404 }, // a doubled slash after the base
        { "PUT", "posts/stream", 405 },
        { "GET", "posts/1/star", 405 },
    };
    for (const auto &c : cases) {
        const HttpResponse r = h.api(c.method, c.path);
        EXPECT_EQ(r.status, c.status) << c.method.constData() << ' ' << c.path.constData();
        EXPECT_FALSE(ServiceHarness::errorMessage(r).isEmpty()) << c.path.constData();
        EXPECT_EQ(at(ServiceHarness::object(r), "meta.code").toInt(), c.status);
    }
    EXPECT_EQ(h.api("PUT", "posts/stream").header("Allow"), "GET, HEAD");
    EXPECT_EQ(h.api("GET", "posts/1/star").header("Allow"), "POST, DELETE");
}
