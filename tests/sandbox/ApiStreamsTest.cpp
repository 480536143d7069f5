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
    QJsonArray stream(const QByteArray &path)
    {
        const HttpResponse r = h.api("GET", path);
        EXPECT_EQ(r.status, 200) << path.constData() << ": " << r.body.constData();
        return ServiceHarness::array(r);
    }
    static QString userId(const QJsonValue &post)
    {
        return post[QStringLiteral("user")][QStringLiteral("id")].toString();
    }

    ServiceHarness h;
};

} // namespace

TEST_F(ApiStreams, EveryApiAnswerNeedsAValidBearerToken)
{
    for (const QByteArray &path : { QByteArray("posts/stream"), QByteArray("users/me"),
             QByteArray("no/such/path"), QByteArray("posts/1/star") }) {
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

TEST_F(ApiStreams, PersonalStreamHoldsOwnAndFollowedPostsNewestFirst)
{
    const QJsonArray posts = stream("posts/stream?count=200&");
    ASSERT_EQ(posts.size(), 200);
    const Store &store = h.service.store();
    qint64 previous = std::numeric_limits<qint64>::max();
    for (const QJsonValue &p : posts) {
        const Id author = userId(p).toLongLong();
        EXPECT_TRUE(author == kDemoUserId || store.follows(kDemoUserId, author)) << author;
        const qint64 id = p[QStringLiteral("id")].toString().toLongLong();
        EXPECT_LT(id, previous);
        previous = id;
    }
    EXPECT_EQ(stream("posts/stream").size(), 20); // the default page
    EXPECT_EQ(stream("posts/stream?count=5000").size(), 200); // at most 200
}

TEST_F(ApiStreams, PagingWithBeforeAndSinceIdJoinsSeamlessly)
{
    const QStringList all = ServiceHarness::ids(stream("posts/stream/global?count=60"));
    ASSERT_EQ(all.size(), 60);
    const QStringList first = ServiceHarness::ids(stream("posts/stream/global?count=20"));
    const QStringList second = ServiceHarness::ids(
        stream("posts/stream/global?count=20&before_id=" + first.last().toUtf8()));
    const QStringList third = ServiceHarness::ids(
        stream("posts/stream/global?count=20&before_id=" + second.last().toUtf8()));
    EXPECT_EQ(first + second + third, all);
    // since_id answers what came after; with both, the window between.
    EXPECT_EQ(
        ServiceHarness::ids(stream("posts/stream/global?count=200&since_id=" + all[10].toUtf8())),
        all.mid(0, 10));
    EXPECT_EQ(ServiceHarness::ids(stream("posts/stream/global?since_id=" + all[30].toUtf8()
                  + "&before_id=" + all[20].toUtf8())),
        all.mid(21, 9));
    EXPECT_TRUE(stream("posts/stream/global?since_id=" + all[0].toUtf8()).isEmpty());
}

TEST_F(ApiStreams, EachStreamFollowsItsRule)
{
    for (const QJsonValue &p : stream("users/me/posts?count=200"))
        EXPECT_EQ(userId(p), QStringLiteral("1"));
    for (const QJsonValue &p : stream("users/3/posts?count=50"))
        EXPECT_EQ(userId(p), QStringLiteral("3"));
    EXPECT_EQ(stream("users/@alice/posts?count=50"), stream("users/3/posts?count=50"));

    const QJsonArray mentions = stream("users/me/mentions?count=200");
    ASSERT_GE(mentions.size(), 30);
    for (const QJsonValue &p : mentions) {
        bool named = false;
        for (const QJsonValue &m :
            p[QStringLiteral("entities")][QStringLiteral("mentions")].toArray())
            named = named || m[QStringLiteral("id")].toString() == u"1";
        EXPECT_TRUE(named) << p[QStringLiteral("text")].toString().toStdString();
    }

    const QJsonArray stars = stream("users/me/stars?count=200");
    ASSERT_GE(stars.size(), 20);
    for (const QJsonValue &p : stars)
        EXPECT_TRUE(p[QStringLiteral("you_starred")].toBool());

    const QJsonArray tagged = stream("posts/tag/COFFEE?count=200");
    ASSERT_GE(tagged.size(), 3);
    for (const QJsonValue &p : tagged)
        EXPECT_TRUE(p[QStringLiteral("text")].toString().contains(
            QStringLiteral("#coffee"), Qt::CaseInsensitive));
    EXPECT_TRUE(stream("posts/tag/nosuchtag").isEmpty());
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
        if (depth > best) {
            best = depth;
            deepest = p;
        }
    }
    ASSERT_GE(best, 5);
    const QJsonArray fromLeaf = stream("posts/" + QByteArray::number(deepest->id) + "/replies");
    const QJsonArray fromRoot
        = stream("posts/" + QByteArray::number(deepest->threadId) + "/replies");
    EXPECT_EQ(fromLeaf, fromRoot);
    EXPECT_GE(fromLeaf.size(), best + 1);
    for (const QJsonValue &p : fromLeaf)
        EXPECT_EQ(p[QStringLiteral("thread_id")].toString(), QString::number(deepest->threadId));
    // The first post carries reply_to null, every other one its parent.
    const QJsonObject root = fromLeaf.last().toObject();
    EXPECT_EQ(root[QStringLiteral("id")].toString(), QString::number(deepest->threadId));
    ASSERT_TRUE(root.contains(QStringLiteral("reply_to")));
    EXPECT_TRUE(root[QStringLiteral("reply_to")].isNull());
    EXPECT_TRUE(fromLeaf.first()[QStringLiteral("reply_to")].isString());
}

TEST_F(ApiStreams, PostObjectCarriesEveryFieldVeltoReads)
{
    const QRegularExpression timeFormat(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"));
    int absentReplyTo = 0;
    for (const QJsonValue &value : stream("posts/stream/global?count=200")) {
        const QJsonObject p = value.toObject();
        EXPECT_TRUE(p[QStringLiteral("id")].isString());
        EXPECT_TRUE(timeFormat.match(p[QStringLiteral("created_at")].toString()).hasMatch());
        EXPECT_TRUE(p[QStringLiteral("text")].isString());
        EXPECT_TRUE(p[QStringLiteral("you_starred")].isBool());
        EXPECT_FALSE(p[QStringLiteral("source")][QStringLiteral("name")].toString().isEmpty());
        EXPECT_TRUE(
            p[QStringLiteral("source")][QStringLiteral("link")].toString().startsWith(kBase));
        const QJsonObject user = p[QStringLiteral("user")].toObject();
        for (const char *key : { "id", "username", "name" })
            EXPECT_TRUE(user[QLatin1String(key)].isString()) << key;
        EXPECT_TRUE(
            user[QStringLiteral("avatar_image")][QStringLiteral("url")].toString().startsWith(
                kBase + QStringLiteral("/avatars/")));
        EXPECT_TRUE(user[QStringLiteral("follows_you")].isDouble());
        EXPECT_TRUE(user[QStringLiteral("you_follow")].isDouble());
        const QJsonObject entities = p[QStringLiteral("entities")].toObject();
        for (const char *key : { "mentions", "hashtags", "links" })
            EXPECT_TRUE(entities[QLatin1String(key)].isArray()) << key;
        if (!p.contains(QStringLiteral("reply_to"))) {
            ++absentReplyTo;
            EXPECT_EQ(p[QStringLiteral("num_replies")].toInt(), 0);
        }
    }
    EXPECT_GT(absentReplyTo, 50);
}

TEST_F(ApiStreams, UsersAndTheirLists)
{
    const QJsonObject me = ServiceHarness::object(h.api("GET", "users/me"));
    EXPECT_EQ(me[QStringLiteral("username")].toString(), QStringLiteral("demo"));
    EXPECT_EQ(me[QStringLiteral("id")].toString(), QStringLiteral("1"));
    EXPECT_EQ(ServiceHarness::object(h.api("GET", "users/@ALICE"))[QStringLiteral("id")].toString(),
        QStringLiteral("3"));
    // Velto asks "users/@%@" with the typed text; a typed "@" doubles it.
    EXPECT_EQ(h.api("GET", "users/@@alice").status, 404);

    const QJsonArray following = ServiceHarness::array(h.api("GET", "users/1/following"));
    ASSERT_EQ(following.size(), qsizetype(h.service.store().followingOf(1).size()));
    for (const QJsonValue &u : following)
        EXPECT_EQ(u[QStringLiteral("you_follow")].toInt(), 1);
    for (const QJsonValue &u : ServiceHarness::array(h.api("GET", "users/me/followers")))
        EXPECT_EQ(u[QStringLiteral("follows_you")].toInt(), 1);
    EXPECT_EQ(ServiceHarness::array(h.api("GET", "users/me/followers?count=3")).size(), 3);
}

TEST_F(ApiStreams, BadRequestsGetAClearStatusAndMessage)
{
    const struct {
        QByteArray method;
        QByteArray path;
        int status;
    } cases[] = {
        { "GET", "posts/stream?count=abc", 400 },
        { "GET", "posts/stream?count=0", 400 },
        { "GET", "posts/stream?count=-5", 400 },
        { "GET", "posts/stream?before_id=12abc", 400 },
        { "GET", "posts/stream?since_id=", 400 },
        { "GET", "posts/stream?count=20&count=50", 400 },
        { "GET", "posts/stream?include_html=1", 400 },
        { "GET", "posts/stream?count=%zz", 400 },
        { "GET", "users/me?count=20", 400 },
        { "GET", "users/abc", 400 },
        { "GET", "users/-3/posts", 400 },
        { "GET", "users/99999", 404 },
        { "GET", "users/@nobody/posts", 404 },
        { "GET", "posts/abc/replies", 400 },
        { "GET", "posts/99999/replies", 404 },
        { "GET", "posts/1.5", 400 },
        { "GET", "posts/99999999999999999999", 400 },
        { "GET", "posts/stream/", 404 },
        { "GET", "/users/me/stars", 404 }, // a doubled slash after the base
        { "GET", "nothing/here", 404 },
        { "PUT", "posts/stream", 405 },
        { "DELETE", "posts/stream/global", 405 },
        { "GET", "posts/1/star", 405 },
        { "PATCH", "users/3/follow", 405 },
    };
    for (const auto &c : cases) {
        const HttpResponse r = h.api(c.method, c.path);
        EXPECT_EQ(r.status, c.status) << c.method.constData() << ' ' << c.path.constData();
        EXPECT_FALSE(ServiceHarness::errorMessage(r).isEmpty()) << c.path.constData();
        EXPECT_EQ(ServiceHarness::object(r)[QStringLiteral("meta")][QStringLiteral("code")].toInt(),
            c.status);
    }
    EXPECT_EQ(h.api("PUT", "posts/stream").header("Allow"), "GET, HEAD");
    EXPECT_EQ(h.api("GET", "posts/1/star").header("Allow"), "POST, DELETE");
}
