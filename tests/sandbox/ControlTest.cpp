// The control endpoints, in-process: faults, the request log, reset, tokens,
// mentions one at a time and in bulk, and crowds of made-up users.
#include "ServiceHarness.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

QStringList idsOf(const HttpResponse &r)
{
    QStringList out;
    for (const QJsonValue &id : at(ServiceHarness::object(r), "ids").toArray())
        out.append(id.toString());
    return out;
}

int countOf(ServiceHarness &h, const char *which)
{
    return at(h.one("users/me"), QByteArray("counts.").append(which).constData()).toInt();
}

} // namespace

TEST(Control, FaultEndpointsAndTheRequestLog)
{
    ServiceHarness h;
    EXPECT_EQ(h.send("POST", "/_sandbox/faults", R"({"path": "/stream/0/users/me", "status": 500})")
                  .status,
        200);
    EXPECT_EQ(h.send("POST", "/_sandbox/faults", "not json").status, 400);
    EXPECT_EQ(h.send("POST", "/_sandbox/faults", R"({"path": "/x"})").status, 400);
    EXPECT_EQ(ServiceHarness::array(h.send("GET", "/_sandbox/faults")).size(), 1);
    // Control requests are never faulted.
    EXPECT_FALSE(h.service.planFor(request("/_sandbox/faults")).faultId);
    EXPECT_EQ(h.send("DELETE", "/_sandbox/faults").status, 200);
    EXPECT_TRUE(ServiceHarness::array(h.send("GET", "/_sandbox/faults")).isEmpty());

    HttpRequest r = request("/stream/0/posts/stream");
    r.rawQuery = "count=20&";
    r.headers = { { "authorization", "Bearer demo-token" } };
    h.service.record(r, 200);
    h.service.record(request("/_sandbox/reset", "POST"), 200);
    const QJsonArray log = ServiceHarness::array(h.send("GET", "/_sandbox/requests"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(str(log[0], "query"), u"count=20&"_qs);
    EXPECT_EQ(str(log[0], "headers.authorization"), u"Bearer demo-token"_qs);
    EXPECT_EQ(h.send("DELETE", "/_sandbox/requests").status, 200);
    EXPECT_TRUE(ServiceHarness::array(h.send("GET", "/_sandbox/requests")).isEmpty());
}

TEST(Control, AChangedWorldReadsBackWholeAndResetRestoresTheSeededOne)
{
    ServiceHarness h;
    const QJsonObject seeded = h.service.store().toJson();
    ASSERT_EQ(h.api("POST", "posts", "text=temporary").status, 200);
    const QByteArray reply
        = str(ServiceHarness::object(h.api("POST", "posts", "text=later&reply_to=5")), "id")
              .toUtf8();
    for (const QByteArray &action :
        { QByteArray("POST users/2/follow"), QByteArray("POST users/3/mute"),
            QByteArray("POST posts/7/star"), QByteArray("DELETE posts/" + reply) })
        ASSERT_EQ(h.api(action.split(' ')[0], action.split(' ')[1]).status, 200)
            << action.constData();
    // The changed world is saved and read back whole.
    Store copy;
    QString error;
    ASSERT_TRUE(copy.fromJson(h.service.store().toJson(), &error)) << error.toStdString();
    EXPECT_EQ(copy.toJson(), h.service.store().toJson());
    const QByteArray token = str(
        ServiceHarness::object(h.send("POST", "/_sandbox/tokens", R"({"username": "bob_t"})")),
        "access_token")
                                 .toUtf8();
    ASSERT_EQ(h.api("GET", "users/me", {}, token).status, 200);
    h.service.faults().add(
        *Fault::fromJson({ { u"path"_qs, u"/"_qs }, { u"status"_qs, 500 } }, nullptr));

    EXPECT_EQ(h.send("POST", "/_sandbox/reset").status, 200);
    EXPECT_EQ(h.service.store().toJson(), seeded);
    EXPECT_EQ(h.api("GET", "users/me", {}, token).status, 401);
    EXPECT_EQ(h.api("GET", "users/me").status, 200); // demo-token survives everything
    EXPECT_TRUE(h.service.faults().isEmpty());
    EXPECT_EQ(h.send("POST", "/_sandbox/tokens", R"({"username": "nobody"})").status, 404);
    EXPECT_EQ(h.send("GET", "/_sandbox/nothing").status, 404);
}

TEST(Control, MentionsOneAtATimeAndInBulkReachThePollAndThePages)
{
    ServiceHarness h;
    const QJsonObject mention = ServiceHarness::object(
        h.send("POST", "/_sandbox/mention", R"({"from": "alice", "text": "@demo look!"})"));
    EXPECT_EQ(str(mention, "user.username"), u"alice"_qs);
    EXPECT_EQ(ServiceHarness::ids(h.list("users/me/mentions?count=1")),
        QStringList { str(mention, "id") });
    // Without a body: a generated one from a seeded user.
    const QJsonObject generated = ServiceHarness::object(h.send("POST", "/_sandbox/mention"));
    EXPECT_TRUE(str(generated, "text").contains(u"@demo"_qs));
    EXPECT_NE(str(generated, "user.id"), u"1"_qs);

    const QString newest = str(generated, "id");
    const QStringList ids = idsOf(h.send("POST", "/_sandbox/mention", R"({"count": 1500})"));
    ASSERT_EQ(ids.size(), 1500);
    EXPECT_GT(ids.first().toLongLong(), newest.toLongLong());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end(),
        [](const QString &a, const QString &b) { return a.toLongLong() < b.toLongLong(); }));
    // The poll sees the newest 200; paging back from there finds every one.
    const QByteArray since = "users/me/mentions?count=200&since_id=" + newest.toUtf8();
    const QJsonArray poll = h.list(since);
    ASSERT_EQ(poll.size(), 200);
    for (const QJsonValue &post : poll)
        EXPECT_EQ(str(post, "entities.mentions.0.id"), u"1"_qs);
    QStringList paged = ServiceHarness::ids(poll);
    for (QStringList page = paged; !page.isEmpty(); paged += page)
        page = ServiceHarness::ids(h.list(since + "&before_id=" + paged.last().toUtf8()));
    std::reverse(paged.begin(), paged.end());
    EXPECT_EQ(paged, ids);

    const int posts = h.service.store().postCount();
    for (const char *bad : { R"({"count": 0})", R"({"count": 20001})", R"({"count": "5"})",
             R"({"count": 2.5})", R"({"count": 5, "from": "nobody"})", R"({"from": "nobody"})" })
        EXPECT_NE(h.send("POST", "/_sandbox/mention", bad).status, 200) << bad;
    EXPECT_EQ(h.send("GET", "/_sandbox/mention").status, 405);
    EXPECT_EQ(h.service.store().postCount(), posts);
}

TEST(Control, CrowdsOfValidUsersFollowAndAreFollowed)
{
    ServiceHarness h;
    const int following = countOf(h, "following");
    const HttpResponse made = h.send("POST", "/_sandbox/following", R"({"count": 5000})");
    const QStringList ids = idsOf(made);
    const QJsonArray names = at(ServiceHarness::object(made), "usernames").toArray();
    ASSERT_EQ(ids.size(), 5000);
    ASSERT_EQ(names.size(), 5000);
    EXPECT_EQ(countOf(h, "following"), following + 5000);
    static const QRegularExpression validName(u"^[A-Za-z0-9_]{1,20}$"_qs);
    QSet<QString> unique;
    for (const QJsonValue &name : names) {
        EXPECT_TRUE(validName.match(name.toString()).hasMatch()) << name.toString().toStdString();
        unique.insert(name.toString().toLower());
    }
    EXPECT_EQ(unique.size(), 5000);

    // The list answers its first page, newest first, as full user objects.
    const QJsonArray page = h.list("users/me/following");
    ASSERT_EQ(page.size(), 50);
    EXPECT_EQ(str(page[0], "id"), ids.last());
    EXPECT_EQ(h.list("users/me/following?count=200").size(), 200);
    EXPECT_EQ(at(page[0], "you_follow"), 1);
    const QString avatar = str(page[0], "avatar_image.url");
    ASSERT_TRUE(avatar.startsWith(kBase + u"/avatars/"_qs));
    EXPECT_TRUE(h.send("GET", avatar.mid(kBase.size()).toUtf8()).body.startsWith("\x89PNG"));
    EXPECT_EQ(str(h.one("users/@" + names.last().toString().toUtf8()), "id"), ids.last());

    const QStringList more = idsOf(h.send("POST", "/_sandbox/followers", R"({"count": 300})"));
    ASSERT_EQ(more.size(), 300);
    EXPECT_FALSE(ids.contains(more.first()));
    EXPECT_EQ(at(h.list("users/me/followers").at(0), "follows_you"), 1);
    // The whole state still loads.
    Store reloaded;
    QString error;
    EXPECT_TRUE(reloaded.fromJson(h.service.stateJson(), &error)) << error.toStdString();
    EXPECT_EQ(reloaded.users().size(), h.service.store().users().size());

    EXPECT_EQ(h.send("POST", "/_sandbox/following", R"({})").status, 400);
    EXPECT_EQ(h.send("POST", "/_sandbox/followers", R"({"count": -3})").status, 400);
    EXPECT_EQ(h.send("GET", "/_sandbox/following").status, 405);
}

TEST(Control, AStatePathThatIsNoFileIsLeftAlone)
{
    QTemporaryDir dir;
    ServiceOptions options;
    options.stateFile = dir.path();
    SandboxService service(options);
    QString message;
    service.start(kBase, &message);
    EXPECT_TRUE(message.contains(u"not a file"_qs));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + u".unreadable"_qs));
    EXPECT_TRUE(service.saveState());
    EXPECT_GT(service.store().postCount(), 500);
}
