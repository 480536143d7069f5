// The newer fault fields (own bodies, split answers, trickles, generated
// pages) and the latency, as the fault table and the service plan them.
#include "ServiceHarness.h"

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

HttpRequest request(const QByteArray &path, const QByteArray &method = "GET")
{
    HttpRequest r;
    r.method = method;
    r.rawPath = path;
    return r;
}

std::optional<Fault> parse(const char *json, QString *error = nullptr)
{
    return Fault::fromJson(QJsonDocument::fromJson(json).object(), error);
}

FaultPlan planOf(const char *json, const QByteArray &path = "/x")
{
    FaultTable table;
    const auto f = parse(json);
    EXPECT_TRUE(f) << json;
    table.add(f.value_or(Fault()));
    return table.take(request(path));
}

} // namespace

TEST(FaultFields, OwnBodiesWithTheirTypeAndStatus)
{
    FaultPlan plan = planOf(R"({"path": "/x", "body": "YESTERDAY"})");
    ASSERT_TRUE(plan.answer);
    EXPECT_EQ(plan.answer->status, 200);
    EXPECT_EQ(plan.answer->body, "YESTERDAY");
    EXPECT_EQ(plan.answer->contentType, "text/plain; charset=utf-8");
    EXPECT_FALSE(plan.pacing.isPaced());

    plan = planOf(
        R"({"path": "/x", "body": "<html><h1>Bad Gateway</h1></html>", "contentType": "text/html", "status": 502})");
    EXPECT_EQ(plan.answer->status, 502);
    EXPECT_EQ(plan.answer->contentType, "text/html");
    EXPECT_TRUE(plan.answer->body.startsWith("<html>"));

    // An empty 200, and JSON given as JSON: an object where a page of posts belongs.
    EXPECT_TRUE(planOf(R"({"path": "/x", "body": ""})").answer->body.isEmpty());
    plan = planOf(R"({"path": "/x", "body": {"data": [], "ünïcode": "✓"}})");
    EXPECT_EQ(plan.answer->contentType, "application/json; charset=utf-8");
    EXPECT_EQ(QJsonDocument::fromJson(plan.answer->body)
                  .object()
                  .value(QStringLiteral("ünïcode"))
                  .toString(),
        QStringLiteral("✓"));
    EXPECT_EQ(planOf(R"({"path": "/x", "body": [1, 2]})").answer->body, "[1,2]");
}

TEST(FaultFields, ChunksAreOneBodyInPiecesAndTrickleCanPaceAnyAnswer)
{
    FaultPlan plan = planOf(
        R"({"path": "/x", "chunks": ["Y", "ES ", "http://x/img/a.jpg"], "chunkDelayMs": 300})");
    ASSERT_TRUE(plan.answer);
    EXPECT_EQ(plan.answer->body, "YES http://x/img/a.jpg");
    EXPECT_EQ(plan.pacing.chunkSizes, (QList<qsizetype> { 1, 3, 18 }));
    EXPECT_EQ(plan.pacing.chunkDelayMs, 300);
    EXPECT_EQ(planOf(R"({"path": "/x", "chunks": ["a", "b"]})").pacing.chunkDelayMs, 100);

    // A trickle alone leaves the answer to the service; with a body it paces that.
    plan = planOf(R"({"path": "/x", "trickleMs": 5000})");
    EXPECT_FALSE(plan.answer);
    EXPECT_EQ(plan.pacing.trickleMs, 5000);
    EXPECT_EQ(plan.pacing.trickleBytes, 1);
    plan = planOf(
        R"({"path": "/x", "trickleMs": 20, "trickleBytes": 512, "body": "NO", "status": 500})");
    EXPECT_EQ(plan.answer->body, "NO");
    EXPECT_EQ(plan.pacing.trickleBytes, 512);

    const QJsonObject listed
        = parse(R"({"path": "/x", "chunks": ["a"], "contentType": "text/x"})")->toJson();
    EXPECT_EQ(listed.value(QStringLiteral("chunks")).toArray().size(), 1);
    EXPECT_EQ(listed.value(QStringLiteral("contentType")).toString(), QStringLiteral("text/x"));
}

TEST(FaultFields, ContradictionsAndBadValuesAreRefused)
{
    for (const char *json : {
             R"({"path": "/x", "body": 5})",
             R"({"path": "/x", "body": "a", "badJson": true})",
             R"({"path": "/x", "body": "a", "chunks": ["b"]})",
             R"({"path": "/x", "body": "a", "hostile": "longIds"})",
             R"({"path": "/x", "body": "a", "drop": true})",
             R"({"path": "/x", "trickleMs": 10, "drop": true})",
             R"({"path": "/x", "chunks": []})",
             R"({"path": "/x", "chunks": ["a", ""]})",
             R"({"path": "/x", "chunks": "ab"})",
             R"({"path": "/x", "chunks": ["a"], "trickleMs": 10})",
             R"({"path": "/x", "chunkDelayMs": 10})",
             R"({"path": "/x", "contentType": "text/html"})",
             R"({"path": "/x", "body": "a", "contentType": "text/html\nX-Evil: 1"})",
             R"({"path": "/x", "trickleMs": 0})",
             R"({"path": "/x", "trickleBytes": 4})",
             R"({"path": "/x", "trickleMs": 10, "trickleBytes": 0})",
             R"({"path": "/x", "hostile": "rude"})",
             R"({"path": "/x", "hostile": "longIds", "sizeBytes": 100})",
             R"({"path": "/x", "hostile": "hugeAnswer", "sizeBytes": 0})",
             R"({"path": "/x", "hostile": "hugeAnswer", "sizeBytes": 9000000000})",
         }) {
        QString error;
        EXPECT_FALSE(parse(json, &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
    // What earlier tests rely on still holds: a status beside drop is ignored.
    const FaultPlan drop = planOf(R"({"path": "/x", "drop": true, "status": 500})");
    EXPECT_TRUE(drop.drop);
    EXPECT_FALSE(drop.answer);
}

TEST(FaultFields, EveryHostileNameIsAcceptedAndLeftToTheService)
{
    for (const QString &name : hostileAnswerNames()) {
        FaultTable table;
        Fault f = *Fault::fromJson(
            { { QStringLiteral("path"), QStringLiteral("/x") }, { QStringLiteral("hostile"), name },
                { QStringLiteral("status"), 203 } },
            nullptr);
        table.add(f);
        const FaultPlan plan = table.take(request("/x"));
        EXPECT_EQ(plan.hostile, name);
        ASSERT_TRUE(plan.answer);
        EXPECT_EQ(plan.answer->status, 203);
        EXPECT_EQ(plan.sizeBytes, name == u"hugeAnswer" ? 50'000'000 : 0);
    }
}

TEST(Latency, AddsToEveryPlanButTheControlRoutesAndToDelayFaults)
{
    ServiceOptions options;
    options.latencyMs = 150;
    ServiceHarness h(options);
    EXPECT_EQ(h.service.planFor(request("/stream/0/posts/stream")).delayMs, 150);
    EXPECT_EQ(h.service.planFor(request("/avatars/a.png")).delayMs, 150);
    EXPECT_EQ(h.service.planFor(request("/img.php", "POST")).delayMs, 150);
    EXPECT_EQ(h.service.planFor(request("/_sandbox/latency")).delayMs, 0);
    h.service.faults().add(*parse(R"({"path": "/macpad/Velto.txt", "delayMs": 400})"));
    EXPECT_EQ(h.service.planFor(request("/macpad/Velto.txt")).delayMs, 550);

    EXPECT_EQ(ServiceHarness::object(h.send("GET", "/_sandbox/latency")),
        (QJsonObject { { QStringLiteral("ms"), 150 }, { QStringLiteral("jitterMs"), 0 } }));
    ASSERT_EQ(h.send("POST", "/_sandbox/latency", R"({"ms": 40, "jitterMs": 60})").status, 200);
    QSet<int> seen;
    for (int i = 0; i < 60; ++i) {
        const int delay = h.service.planFor(request("/")).delayMs;
        EXPECT_GE(delay, 40);
        EXPECT_LE(delay, 100);
        seen.insert(delay);
    }
    EXPECT_GT(seen.size(), 5); // drawn anew each time

    for (const char *bad :
        { R"({"jitterMs": 5})", R"({"ms": -1})", R"({"ms": 60001})", R"({"ms": "100"})",
            R"({"ms": 10, "jitterMs": 1.5})", R"({"ms": 10, "slow": true})", "[]" }) {
        EXPECT_EQ(h.send("POST", "/_sandbox/latency", bad).status, 400) << bad;
    }
    EXPECT_EQ(h.service.latency().ms, 40); // refusals change nothing

    // Reset goes back to the latency the sandbox was started with.
    ASSERT_EQ(h.send("POST", "/_sandbox/latency", R"({"ms": 0})").status, 200);
    EXPECT_EQ(h.service.planFor(request("/")).delayMs, 0);
    ASSERT_EQ(h.send("POST", "/_sandbox/reset").status, 200);
    EXPECT_EQ(h.service.latency().ms, 150);
    EXPECT_EQ(h.service.latency().jitterMs, 0);
}
