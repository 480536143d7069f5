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
    // As Velto escapes a value: only unreserved characters stay.
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
    QByteArray othersPost() const
    {
        const Store &store = h.service.store();
        for (const Post *p : store.page(
                 [&](const Post &p) {
                     return p.userId != kDemoUserId && !store.hasStarred(kDemoUserId, p.id);
                 },
                 Paging { 1, {}, {} }))
            return QByteArray::number(p->id);
        return {};
    }

    ServiceHarness h;
};

} // namespace

TEST_F(ApiActions, NewPostKeepsTheTextExactlyAndLeadsTheStreams)
{
    const QString text = u"a&b c+d = 100% 😀 שלום @alice #qt www.example.com"_qs;
    const QJsonObject p = post(formText(text));
    EXPECT_EQ(str(p, "text"), text);
    EXPECT_EQ(str(p, "created_at"), u"2024-03-01T12:00:00Z"_qs);
    EXPECT_EQ(str(p, "user.username"), u"demo"_qs);
    EXPECT_FALSE(p.contains(u"reply_to"_qs));
    EXPECT_EQ(str(p, "entities.mentions.0.name"), u"alice"_qs);
    EXPECT_EQ(at(p, "entities.mentions.0.pos").toInt(), 23);
    EXPECT_EQ(str(p, "entities.hashtags.0.name"), u"qt"_qs);
    EXPECT_EQ(str(p, "entities.links.0.url"), u"http://www.example.com"_qs);

    const QStringList id { str(p, "id") };
    for (const char *path : { "posts/stream?count=1", "posts/stream/global?count=1",
             "users/me/posts?count=1", "posts/tag/qt?count=1" })
        EXPECT_EQ(ServiceHarness::ids(h.list(path)), id) << path;
    // The mentioned user sees it among the mentions.
    const QByteArray alice = h.service.tokens().issue(3).toUtf8();
    EXPECT_EQ(ServiceHarness::ids(h.list("users/me/mentions?count=1", alice)), id);
}

TEST_F(ApiActions, RefusedPostsChangeNothing)
{
    // The limit is 256 UTF-16 units.
    post(formText(QString(256, u'x')));
    post(formText(u"😀"_qs.repeated(128)));
    const int before = postCount();
    const QByteArray json = "application/json";
    const struct {
        QByteArray body;
        int status;
        QByteArray contentType = "application/x-www-form-urlencoded";
    } cases[] = {
        { formText(QString(257, u'x')), 400 }, { formText(u"😀"_qs.repeated(128) + u'!'), 400 },
        { "", 400 }, // no text
        { "text=", 400 }, { "text=%20%0A%09", 400 }, // only white space
        { "text=%E2%28%A1", 400 }, // invalid UTF-8
        { "text=hi&reply_to=abc", 400 }, { "text=hi&reply_to=99999", 404 }, // no such post
        { "text=x&pad=" + QByteArray(5 * 1024 * 1024, 'a'), 413 }, { "text=hi", 415, "text/plain" },
        { R"({"text": "broken \ud83d"})", 400, json }, // a lone surrogate
    };
    for (const auto &c : cases) {
        const HttpResponse r = h.send("POST", "/stream/0/posts", c.body,
            { { "authorization", "Bearer demo-token" }, { "content-type", c.contentType } });
        EXPECT_EQ(r.status, c.status) << c.body.left(40).constData();
        EXPECT_FALSE(ServiceHarness::errorMessage(r).isEmpty()) << c.body.left(40).constData();
    }
    EXPECT_EQ(postCount(), before);

    const HttpResponse fromJson
        = h.send("POST", "/stream/0/posts", R"({"text": "from JSON \ud83d\ude00"})",
            { { "authorization", "Bearer demo-token" }, { "content-type", json } });
    EXPECT_EQ(str(ServiceHarness::object(fromJson), "text"), u"from JSON 😀"_qs);
}

TEST_F(ApiActions, RepliesJoinTheConversation)
{
    const QByteArray parent = othersPost();
    const QString reply = str(post(formText(u"@someone indeed"_qs) + "&reply_to=" + parent), "id");
    EXPECT_TRUE(ServiceHarness::ids(h.list("posts/" + parent + "/replies")).contains(reply));
    // The parent now starts a conversation: reply_to is present (null) on a first post.
    const QJsonObject parentNow = h.one("posts/" + parent);
    EXPECT_TRUE(parentNow.contains(u"reply_to"_qs));
    EXPECT_GE(at(parentNow, "num_replies").toInt(), 1);
}

TEST_F(ApiActions, StarAndUnstarAreIdempotent)
{
    const QByteArray id = othersPost();
    const QByteArray path = "posts/" + id + "/star";
    const auto starred = [&] {
        return ServiceHarness::ids(h.list("users/me/stars?count=200"))
            .contains(QString::fromLatin1(id));
    };
    const int stars = at(h.one("posts/" + id), "num_stars").toInt();
    for (const auto &[method, youStarred, count] : {
             std::tuple { "POST", true, stars + 1 },
             std::tuple { "POST", true, stars + 1 },
             std::tuple { "DELETE", false, stars },
             std::tuple { "DELETE", false, stars },
         }) {
        const QJsonObject p = ServiceHarness::object(h.api(method, path));
        EXPECT_EQ(at(p, "you_starred").toBool(), youStarred) << method;
        EXPECT_EQ(at(p, "num_stars").toInt(), count) << method;
        EXPECT_EQ(starred(), youStarred) << method;
    }
    EXPECT_EQ(h.api("POST", "posts/99999/star").status, 404);
    EXPECT_EQ(h.api("POST", "posts/x/star").status, 400);
}

TEST_F(ApiActions, OnlyOwnPostsCanBeDeleted)
{
    EXPECT_EQ(h.api("DELETE", "posts/" + othersPost()).status, 403);
    const QByteArray mine = str(post(formText(u"short-lived"_qs)), "id").toUtf8();
    const HttpResponse deleted = h.api("DELETE", "posts/" + mine);
    EXPECT_EQ(deleted.status, 200);
    EXPECT_TRUE(at(ServiceHarness::object(deleted), "is_deleted").toBool());
    EXPECT_EQ(h.api("GET", "posts/" + mine).status, 404);
    EXPECT_EQ(h.api("DELETE", "posts/" + mine).status, 404);
    EXPECT_FALSE(ServiceHarness::ids(h.list("users/me/posts")).contains(QString::fromLatin1(mine)));
}

TEST_F(ApiActions, FollowingChangesThePersonalStreamAndTheFlags)
{
    // The maker is not followed by the demo user in the seed.
    const QByteArray makerToken = h.service.tokens().issue(kMakerUserId).toUtf8();
    ASSERT_EQ(h.api("POST", "posts", "text=News", makerToken).status, 200);
    const auto personalHasMaker = [&] {
        for (const QJsonValue &p : h.list("posts/stream?count=20"))
            if (str(p, "user.id") == QString::number(kMakerUserId))
                return true;
        return false;
    };
    EXPECT_FALSE(personalHasMaker());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(at(ServiceHarness::object(h.api("POST", "users/2/follow")), "you_follow"), 1);
    EXPECT_TRUE(personalHasMaker());
    EXPECT_EQ(at(h.one("users/1", makerToken), "follows_you"), 1);
    EXPECT_EQ(at(ServiceHarness::object(h.api("DELETE", "users/2/follow")), "you_follow"), 0);
    EXPECT_FALSE(personalHasMaker());
    EXPECT_EQ(h.api("POST", "users/me/follow").status, 400);
    EXPECT_EQ(h.api("POST", "users/99999/follow").status, 404);
}

TEST_F(ApiActions, MutedUsersLeaveTheStreamsButNotTheirOwnPage)
{
    const QByteArray author = str(h.list("posts/stream/global?count=1").at(0), "user.id").toUtf8();
    EXPECT_TRUE(at(ServiceHarness::object(h.api("POST", "users/" + author + "/mute")), "you_muted")
                    .toBool());
    for (const QJsonValue &p : h.list("posts/stream/global?count=200"))
        EXPECT_NE(str(p, "user.id"), QString::fromLatin1(author));
    EXPECT_FALSE(h.list("users/" + author + "/posts").isEmpty());
    EXPECT_EQ(h.api("POST", "users/me/mute").status, 400);
}
