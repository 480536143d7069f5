// The control endpoints and the fault table, in-process.
#include "ServiceHarness.h"

#include "data/Seed.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

HttpRequest get(const QByteArray &path, const QByteArray &method = "GET")
{
    HttpRequest r;
    r.method = method;
    r.rawPath = path;
    return r;
}

Fault fault(const QByteArray &json)
{
    QString error;
    const auto f = Fault::fromJson(QJsonDocument::fromJson(json).object(), &error);
    EXPECT_TRUE(f) << error.toStdString();
    return f.value_or(Fault());
}

} // namespace

TEST(Faults, ApplyToTheirPathTheGivenNumberOfTimes)
{
    FaultTable table;
    table.add(fault(R"({"path": "/stream/0/posts/stream", "status": 503, "times": 2})"));
    EXPECT_FALSE(table.take(get("/stream/0/posts/stream/global")).answer);
    EXPECT_FALSE(table.take(get("/stream/0/posts/stream/global")).faultId);
    FaultPlan plan = table.take(get("/stream/0/posts/stream"));
    ASSERT_TRUE(plan.answer);
    EXPECT_EQ(plan.answer->status, 503);
    EXPECT_EQ(table.take(get("/stream/0/posts/stream")).answer->status, 503);
    EXPECT_FALSE(table.take(get("/stream/0/posts/stream")).answer);
    EXPECT_TRUE(table.isEmpty());
}

TEST(Faults, PrefixMethodAndLastingFaults)
{
    FaultTable table;
    table.add(fault(R"({"path": "/stream/0/*", "method": "post", "badJson": true, "times": 0})"));
    EXPECT_FALSE(table.take(get("/stream/0/posts")).faultId); // a GET
    for (int i = 0; i < 3; ++i) {
        const FaultPlan plan = table.take(get("/stream/0/posts", "POST"));
        ASSERT_TRUE(plan.answer);
        EXPECT_EQ(plan.answer->status, 200);
        QJsonParseError error;
        QJsonDocument::fromJson(plan.answer->body, &error);
        EXPECT_NE(error.error, QJsonParseError::NoError);
    }
    table.clear();
    EXPECT_FALSE(table.take(get("/stream/0/posts", "POST")).faultId);

    table.add(fault(R"({"path": "/img.php", "drop": true, "delayMs": 250})"));
    const FaultPlan drop = table.take(get("/img.php", "POST"));
    EXPECT_TRUE(drop.drop);
    EXPECT_EQ(drop.delayMs, 250);
    EXPECT_FALSE(drop.answer);
}

TEST(Faults, BadDescriptionsAreRefused)
{
    for (const char *json :
        { R"({"status": 500})", R"({"path": "stream", "status": 500})", R"({"path": "/x"})",
            R"({"path": "/x", "status": 42})", R"({"path": "/x", "status": "500"})",
            R"({"path": "/x", "delayMs": -1})", R"({"path": "/x", "delayMs": 1.5})",
            R"({"path": "/x", "drop": "yes"})", R"({"path": "/x", "status": 500, "colour": 1})" }) {
        QString error;
        EXPECT_FALSE(Fault::fromJson(QJsonDocument::fromJson(json).object(), &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
}

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
    EXPECT_FALSE(h.service.planFor(get("/_sandbox/faults")).faultId);
    EXPECT_EQ(h.send("DELETE", "/_sandbox/faults").status, 200);
    EXPECT_TRUE(ServiceHarness::array(h.send("GET", "/_sandbox/faults")).isEmpty());

    HttpRequest r = get("/stream/0/posts/stream");
    r.rawQuery = "count=20&";
    r.headers = { { "authorization", "Bearer demo-token" } };
    h.service.record(r, 200);
    h.service.record(get("/_sandbox/reset", "POST"), 200);
    const QJsonArray log = ServiceHarness::array(h.send("GET", "/_sandbox/requests"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0][QStringLiteral("query")].toString(), QStringLiteral("count=20&"));
    EXPECT_EQ(log[0][QStringLiteral("headers")][QStringLiteral("authorization")].toString(),
        QStringLiteral("Bearer demo-token"));
    EXPECT_EQ(h.send("DELETE", "/_sandbox/requests").status, 200);
    EXPECT_TRUE(ServiceHarness::array(h.send("GET", "/_sandbox/requests")).isEmpty());
}

TEST(Control, ResetRestoresTheSeededWorld)
{
    ServiceHarness h;
    const QJsonObject seeded = h.service.store().toJson();
    ASSERT_EQ(h.api("POST", "posts", "text=temporary").status, 200);
    ASSERT_EQ(h.api("POST", "users/2/follow").status, 200);
    const QString token = ServiceHarness::object(h.send(
        "POST", "/_sandbox/tokens", R"({"username": "bob_t"})"))[QStringLiteral("access_token")]
                              .toString();
    ASSERT_EQ(h.api("GET", "users/me", {}, token.toUtf8()).status, 200);
    h.service.faults().add(fault(R"({"path": "/", "status": 500})"));

    EXPECT_EQ(h.send("POST", "/_sandbox/reset").status, 200);
    EXPECT_EQ(h.service.store().toJson(), seeded);
    EXPECT_EQ(h.api("GET", "users/me", {}, token.toUtf8()).status, 401);
    EXPECT_EQ(h.api("GET", "users/me").status, 200); // demo-token survives everything
    EXPECT_TRUE(h.service.faults().isEmpty());
}

TEST(Control, TokensAndMentions)
{
    ServiceHarness h;
    EXPECT_EQ(h.send("POST", "/_sandbox/tokens", R"({"username": "nobody"})").status, 404);
    const HttpResponse mention
        = h.send("POST", "/_sandbox/mention", R"({"from": "alice", "text": "@demo look!"})");
    ASSERT_EQ(mention.status, 200);
    const QString id = ServiceHarness::object(mention)[QStringLiteral("id")].toString();
    EXPECT_EQ(ServiceHarness::ids(ServiceHarness::array(h.api("GET", "users/me/mentions?count=1"))),
        QStringList { id });

    // Without a body: a generated one from a random seeded user.
    const QJsonObject generated = ServiceHarness::object(h.send("POST", "/_sandbox/mention"));
    EXPECT_TRUE(generated[QStringLiteral("text")].toString().contains(QStringLiteral("@demo")));
    EXPECT_NE(
        generated[QStringLiteral("user")][QStringLiteral("id")].toString(), QStringLiteral("1"));
    EXPECT_EQ(h.send("POST", "/_sandbox/mention", R"({"from": "nobody"})").status, 404);
    EXPECT_EQ(h.send("GET", "/_sandbox/mention").status, 405);
    EXPECT_EQ(h.send("GET", "/_sandbox/nothing").status, 404);
}

TEST(Control, AStatePathThatIsNoFileIsLeftAlone)
{
    QTemporaryDir dir;
    ServiceOptions options;
    options.stateFile = dir.path();
    SandboxService service(options);
    QString message;
    service.start(kBase, &message);
    EXPECT_TRUE(message.contains(QStringLiteral("not a file")));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral(".unreadable")));
    EXPECT_TRUE(service.saveState());
    EXPECT_GT(service.store().postCount(), 500);
}
