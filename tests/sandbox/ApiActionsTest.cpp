// The stream API's changing side, in-process: posting, starring, deleting,
// following and muting, and the requests that must change nothing.
#include "ServiceHarness.h"

#include "data/Seed.h"

#include <QUrl>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

QByteArray formText(const QString &text)
{
    // As Velto's urlEncodeValue escapes: only unreserved characters stay.
    return "text=" + QUrl::toPercentEncoding(text);
}

class ApiActions : public ::testing::Test {
protected:
    QJsonObject post(const QByteArray &body, int expected = 200)
    {
        const HttpResponse r = h.api("POST", "posts", body);
        EXPECT_EQ(r.status, expected) << body.left(80).constData() << " -> " << r.body.constData();
        return ServiceHarness::object(r);
    }
    int postCount() const { return h.service.store().postCount(); }
    // The newest post of someone else that the demo user has not starred.
    Id othersPost() const
    {
        const Store &store = h.service.store();
        for (const Post *p : store.page(
                 [&](const Post &p) {
                     return p.userId != kDemoUserId && !store.hasStarred(kDemoUserId, p.id);
                 },
                 Paging { 1, {}, {} }))
            return p->id;
        return 0;
    }

    ServiceHarness h;
};

} // namespace

TEST_F(ApiActions, NewPostKeepsTheTextExactlyAndLeadsTheStreams)
{
    const QString text = QStringLiteral("a&b c+d = 100% 😀 שלום @alice #qt www.example.com");
    const QJsonObject p = post(formText(text));
    EXPECT_EQ(p[QStringLiteral("text")].toString(), text);
    EXPECT_EQ(p[QStringLiteral("created_at")].toString(), QStringLiteral("2024-03-01T12:00:00Z"));
    EXPECT_EQ(
        p[QStringLiteral("user")][QStringLiteral("username")].toString(), QStringLiteral("demo"));
    EXPECT_EQ(
        p[QStringLiteral("source")][QStringLiteral("name")].toString(), QStringLiteral("Velto"));
    EXPECT_FALSE(p.contains(QStringLiteral("reply_to")));
    const QJsonObject entities = p[QStringLiteral("entities")].toObject();
    EXPECT_EQ(entities[QStringLiteral("mentions")][0][QStringLiteral("name")].toString(),
        QStringLiteral("alice"));
    EXPECT_EQ(entities[QStringLiteral("mentions")][0][QStringLiteral("pos")].toInt(), 23);
    EXPECT_EQ(entities[QStringLiteral("hashtags")][0][QStringLiteral("name")].toString(),
        QStringLiteral("qt"));
    EXPECT_EQ(entities[QStringLiteral("links")][0][QStringLiteral("url")].toString(),
        QStringLiteral("http://www.example.com"));

    const QString id = p[QStringLiteral("id")].toString();
    for (const QByteArray &path :
        { QByteArray("posts/stream?count=1"), QByteArray("posts/stream/global?count=1"),
            QByteArray("users/me/posts?count=1"), QByteArray("posts/tag/qt?count=1") })
        EXPECT_EQ(
            ServiceHarness::ids(ServiceHarness::array(h.api("GET", path))), QStringList { id })
            << path.constData();
    // The mentioned user sees it among the mentions.
    const QString aliceToken = h.service.tokens().issue(3);
    EXPECT_EQ(ServiceHarness::ids(ServiceHarness::array(
                  h.api("GET", "users/me/mentions?count=1", {}, aliceToken.toUtf8()))),
        QStringList { id });
}

TEST_F(ApiActions, LengthLimitIs256Utf16Units)
{
    post(formText(QString(256, QLatin1Char('x'))));
    post(formText(QStringLiteral("😀").repeated(128)));
    const int before = postCount();
    const QJsonObject tooLong = post(formText(QString(257, QLatin1Char('x'))), 400);
    EXPECT_TRUE(
        tooLong[QStringLiteral("meta")][QStringLiteral("error_message")].toString().contains(
            QStringLiteral("256")));
    post(formText(QStringLiteral("😀").repeated(128) + QLatin1Char('!')), 400);
    post(formText(QString(100000, QLatin1Char('y'))), 400);
    EXPECT_EQ(postCount(), before);
}

TEST_F(ApiActions, RefusedPostsChangeNothing)
{
    const int before = postCount();
    const struct {
        QByteArray body;
        int status;
    } cases[] = {
        { "", 400 }, // no text
        { "text=", 400 }, // empty
        { "text=%20%0A%09", 400 }, // only white space
        { "txt=hello", 400 }, // unknown field
        { "text=a&text=b", 400 }, // twice
        { "text=%E2%28%A1", 400 }, // invalid UTF-8
        { "text=50%", 400 }, // broken escape
        { "text=hi&reply_to=abc", 400 }, // not a number
        { "text=hi&reply_to=", 400 }, { "text=hi&reply_to=99999", 404 }, // no such post
    };
    for (const auto &c : cases)
        post(c.body, c.status);
    EXPECT_EQ(h.send("POST", "/stream/0/posts", "text=hi",
                   { { "authorization", "Bearer demo-token" }, { "content-type", "text/plain" } })
                  .status,
        415);
    EXPECT_EQ(h.api("POST", "posts?text=hi", "text=hi").status, 400);
    EXPECT_EQ(postCount(), before);
}

TEST_F(ApiActions, RepliesJoinTheConversation)
{
    const Id parent = othersPost();
    const QJsonObject reply = post(
        formText(QStringLiteral("@someone indeed")) + "&reply_to=" + QByteArray::number(parent));
    EXPECT_EQ(reply[QStringLiteral("reply_to")].toString(), QString::number(parent));
    const QJsonArray conversation
        = ServiceHarness::array(h.api("GET", "posts/" + QByteArray::number(parent) + "/replies"));
    EXPECT_TRUE(ServiceHarness::ids(conversation).contains(reply[QStringLiteral("id")].toString()));
    // The parent now starts a conversation: reply_to is present (null) on it if it was a first
    // post.
    const QJsonObject parentNow
        = ServiceHarness::object(h.api("GET", "posts/" + QByteArray::number(parent)));
    EXPECT_TRUE(parentNow.contains(QStringLiteral("reply_to")));
    EXPECT_GE(parentNow[QStringLiteral("num_replies")].toInt(), 1);
}

TEST_F(ApiActions, JsonBodiesWorkToo)
{
    const QJsonObject p = ServiceHarness::object(
        h.send("POST", "/stream/0/posts", R"({"text": "from JSON \ud83d\ude00"})",
            { { "authorization", "Bearer demo-token" }, { "content-type", "application/json" } }));
    EXPECT_EQ(p[QStringLiteral("text")].toString(), QStringLiteral("from JSON 😀"));
    const HttpResponse lone = h.send("POST", "/stream/0/posts", R"({"text": "broken \ud83d"})",
        { { "authorization", "Bearer demo-token" }, { "content-type", "application/json" } });
    EXPECT_EQ(lone.status, 400);
    EXPECT_EQ(
        h.send("POST", "/stream/0/posts", "{not json",
             { { "authorization", "Bearer demo-token" }, { "content-type", "application/json" } })
            .status,
        400);
}

TEST_F(ApiActions, StarAndUnstarAreIdempotent)
{
    const QByteArray id = QByteArray::number(othersPost());
    const QByteArray path = "posts/" + id + "/star";
    auto starred = [&] {
        return ServiceHarness::ids(ServiceHarness::array(h.api("GET", "users/me/stars?count=200")))
            .contains(QString::fromLatin1(id));
    };
    const int stars
        = ServiceHarness::object(h.api("GET", "posts/" + id))[QStringLiteral("num_stars")].toInt();
    QJsonObject p = ServiceHarness::object(h.api("POST", path));
    EXPECT_TRUE(p[QStringLiteral("you_starred")].toBool());
    EXPECT_EQ(p[QStringLiteral("num_stars")].toInt(), stars + 1);
    p = ServiceHarness::object(h.api("POST", path));
    EXPECT_EQ(p[QStringLiteral("num_stars")].toInt(), stars + 1);
    EXPECT_TRUE(starred());
    p = ServiceHarness::object(h.api("DELETE", path));
    EXPECT_FALSE(p[QStringLiteral("you_starred")].toBool());
    EXPECT_EQ(p[QStringLiteral("num_stars")].toInt(), stars);
    EXPECT_EQ(
        ServiceHarness::object(h.api("DELETE", path))[QStringLiteral("num_stars")].toInt(), stars);
    EXPECT_FALSE(starred());
    EXPECT_EQ(h.api("POST", "posts/99999/star").status, 404);
    EXPECT_EQ(h.api("POST", "posts/x/star").status, 400);
}

TEST_F(ApiActions, OnlyOwnPostsCanBeDeleted)
{
    const Id others = othersPost();
    EXPECT_EQ(h.api("DELETE", "posts/" + QByteArray::number(others)).status, 403);
    EXPECT_NE(h.service.store().post(others), nullptr);

    const QString mine
        = post(formText(QStringLiteral("short-lived")))[QStringLiteral("id")].toString();
    const HttpResponse deleted = h.api("DELETE", "posts/" + mine.toUtf8());
    EXPECT_EQ(deleted.status, 200);
    EXPECT_TRUE(ServiceHarness::object(deleted)[QStringLiteral("is_deleted")].toBool());
    EXPECT_EQ(h.api("GET", "posts/" + mine.toUtf8()).status, 404);
    EXPECT_EQ(h.api("DELETE", "posts/" + mine.toUtf8()).status, 404);
    EXPECT_FALSE(
        ServiceHarness::ids(ServiceHarness::array(h.api("GET", "users/me/posts"))).contains(mine));
}

TEST_F(ApiActions, FollowingChangesThePersonalStreamAndTheFlags)
{
    const Id maker = kMakerUserId; // not followed by the demo user in the seed
    const QString makerToken = h.service.tokens().issue(maker);
    ASSERT_EQ(h.api("POST", "posts", "text=News", makerToken.toUtf8()).status, 200);
    auto personalHasMaker = [&] {
        for (const QJsonValue &p : ServiceHarness::array(h.api("GET", "posts/stream?count=20")))
            if (p[QStringLiteral("user")][QStringLiteral("id")].toString()
                == QString::number(maker))
                return true;
        return false;
    };
    EXPECT_FALSE(personalHasMaker());
    QJsonObject user = ServiceHarness::object(h.api("POST", "users/2/follow"));
    EXPECT_EQ(user[QStringLiteral("you_follow")].toInt(), 1);
    EXPECT_TRUE(personalHasMaker());
    EXPECT_EQ(ServiceHarness::object(h.api("POST", "users/2/follow"))[QStringLiteral("you_follow")]
                  .toInt(),
        1);

    // The other side sees follows_you.
    EXPECT_EQ(ServiceHarness::object(
                  h.api("GET", "users/1", {}, makerToken.toUtf8()))[QStringLiteral("follows_you")]
                  .toInt(),
        1);

    user = ServiceHarness::object(h.api("DELETE", "users/2/follow"));
    EXPECT_EQ(user[QStringLiteral("you_follow")].toInt(), 0);
    EXPECT_FALSE(personalHasMaker());
    EXPECT_EQ(h.api("POST", "users/me/follow").status, 400);
    EXPECT_EQ(h.api("POST", "users/99999/follow").status, 404);
}

TEST_F(ApiActions, MutedUsersLeaveTheStreams)
{
    const QString author = ServiceHarness::array(h.api(
        "GET", "posts/stream/global?count=1"))[0][QStringLiteral("user")][QStringLiteral("id")]
                               .toString();
    EXPECT_TRUE(ServiceHarness::object(
        h.api("POST", "users/" + author.toUtf8() + "/mute"))[QStringLiteral("you_muted")]
                    .toBool());
    for (const QJsonValue &p : ServiceHarness::array(h.api("GET", "posts/stream/global?count=200")))
        EXPECT_NE(p[QStringLiteral("user")][QStringLiteral("id")].toString(), author);
    // Their own page still shows them.
    EXPECT_FALSE(
        ServiceHarness::array(h.api("GET", "users/" + author.toUtf8() + "/posts")).isEmpty());
    EXPECT_EQ(h.api("POST", "users/me/mute").status, 400);
}

TEST_F(ApiActions, OversizedBodiesAre413AndChangeNothing)
{
    const int before = postCount();
    const HttpResponse r = h.api("POST", "posts", "text=x&pad=" + QByteArray(5 * 1024 * 1024, 'a'));
    EXPECT_EQ(r.status, 413);
    EXPECT_FALSE(ServiceHarness::errorMessage(r).isEmpty());
    EXPECT_EQ(postCount(), before);
}
