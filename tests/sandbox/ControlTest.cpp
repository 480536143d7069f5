// The control endpoints the tests drive, in-process: faults, the request log,
// reset, and mentions one at a time and in bulk; and a state path that is no
// file.
#include "ServiceHarness.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

TEST(Control, FaultEndpointsAndTheRequestLog)
{
    ServiceHarness h;
    EXPECT_EQ(h.send("POST", "/_sandbox/faults", R"({"path": "/stream/0/users/me", "status": 500})")
                  .status,
        200);
    EXPECT_EQ(h.send("POST", "/_sandbox/faults", R"({"path": "/x"})").status, 400);
    EXPECT_EQ(ServiceHarness::array(h.send("GET", "/_sandbox/faults")).size(), 1);
    // Control requests are never faulted.
    EXPECT_FALSE(h.service.planFor(request("/_sandbox/faults")).faultId);
    EXPECT_EQ(h.send("DELETE", "/_sandbox/faults").status, 200);
    EXPECT_TRUE(ServiceHarness::array(h.send("GET", "/_sandbox/faults")).isEmpty());

    // The log keeps the query as sent and leaves the control requests out.
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

TEST(Control, ResetRestoresTheSeededWorld)
{
    ServiceHarness h;
    const QJsonObject seeded = h.service.store().toJson();
    for (const QByteArray &action : { QByteArray("POST posts"), QByteArray("POST users/2/follow"),
             QByteArray("POST users/3/mute"), QByteArray("POST posts/7/star") })
        ASSERT_EQ(h.api(action.split(' ')[0], action.split(' ')[1], "text=temporary").status, 200)
            << action.constData();
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
    QStringList ids;
    for (const QJsonValue &id :
        at(ServiceHarness::object(h.send("POST", "/_sandbox/mention", R"({"count": 1500})")), "ids")
            .toArray())
        ids.append(id.toString());
    ASSERT_EQ(ids.size(), 1500);
    EXPECT_GT(ids.first().toLongLong(), newest.toLongLong());
    // The poll sees the newest 200; paging back from there finds every one, oldest first.
    const QByteArray since = "users/me/mentions?count=200&since_id=" + newest.toUtf8();
    QStringList paged = ServiceHarness::ids(h.list(since));
    ASSERT_EQ(paged.size(), 200);
    for (QStringList page = paged; !page.isEmpty(); paged += page)
        page = ServiceHarness::ids(h.list(since + "&before_id=" + paged.last().toUtf8()));
    std::reverse(paged.begin(), paged.end());
    EXPECT_EQ(paged, ids);
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
