// The fault table as the service plans it: which requests a fault takes and
// how often, its own bodies, split answers and trickles, generated pages,
// refused descriptions, and the latency on top.
#include "ServiceHarness.h"

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

std::optional<Fault> parse(const char *json, QString *error = nullptr)
{
    return Fault::fromJson(QJsonDocument::fromJson(json).object(), error);
}

FaultPlan planOf(const char *json)
{
    FaultTable table;
    const auto f = parse(json);
    EXPECT_TRUE(f) << json;
    table.add(f.value_or(Fault()));
    return table.take(request("/x"));
}

} // namespace

TEST(Faults, TakeTheirPathAndMethodTheGivenNumberOfTimes)
{
    FaultTable table;
    table.add(*parse(R"({"path": "/stream/0/posts/stream", "status": 503, "times": 2})"));
    EXPECT_FALSE(table.take(request("/stream/0/posts/stream/global")).faultId);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(table.take(request("/stream/0/posts/stream")).answer->status, 503);
    EXPECT_FALSE(table.take(request("/stream/0/posts/stream")).answer);
    EXPECT_TRUE(table.isEmpty());

    // A prefix, a method in any case, and no end.
    table.add(*parse(R"({"path": "/stream/0/*", "method": "post", "badJson": true, "times": 0})"));
    EXPECT_FALSE(table.take(request("/stream/0/posts")).faultId);
    for (int i = 0; i < 3; ++i) {
        const FaultPlan plan = table.take(request("/stream/0/posts", "POST"));
        ASSERT_TRUE(plan.answer);
        EXPECT_EQ(plan.answer->status, 200);
        QJsonParseError error;
        QJsonDocument::fromJson(plan.answer->body, &error);
        EXPECT_NE(error.error, QJsonParseError::NoError);
    }
    table.clear();
    EXPECT_FALSE(table.take(request("/stream/0/posts", "POST")).faultId);

    // A status beside drop is ignored: no answer at all.
    const FaultPlan drop = planOf(R"({"path": "/x", "drop": true, "delayMs": 250, "status": 500})");
    EXPECT_TRUE(drop.drop);
    EXPECT_EQ(drop.delayMs, 250);
    EXPECT_FALSE(drop.answer);
}

TEST(Faults, OwnBodiesChunksAndTricklesPlanTheAnswer)
{
    FaultPlan plan = planOf(R"({"path": "/x", "body": "YESTERDAY"})");
    EXPECT_EQ(plan.answer->status, 200);
    EXPECT_EQ(plan.answer->body, "YESTERDAY");
    EXPECT_EQ(plan.answer->contentType, "text/plain; charset=utf-8");
    EXPECT_FALSE(plan.pacing.isPaced());
    plan
        = planOf(R"({"path": "/x", "body": "<html/>", "contentType": "text/html", "status": 502})");
    EXPECT_EQ(plan.answer->status, 502);
    EXPECT_EQ(plan.answer->contentType, "text/html");
    EXPECT_TRUE(planOf(R"({"path": "/x", "body": ""})").answer->body.isEmpty());
    // JSON given as JSON: an object where a page of posts belongs.
    plan = planOf(R"({"path": "/x", "body": {"data": [], "ünïcode": "✓"}})");
    EXPECT_EQ(plan.answer->contentType, "application/json; charset=utf-8");
    EXPECT_EQ(str(QJsonDocument::fromJson(plan.answer->body).object(), "ünïcode"), u"✓"_qs);
    EXPECT_EQ(planOf(R"({"path": "/x", "body": [1, 2]})").answer->body, "[1,2]");

    plan = planOf(
        R"({"path": "/x", "chunks": ["Y", "ES ", "http://x/img/a.jpg"], "chunkDelayMs": 300})");
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

    // Every generated page is accepted and left to the service to make.
    for (const QString &name : hostileAnswerNames()) {
        FaultTable table;
        table.add(*Fault::fromJson(
            { { u"path"_qs, u"/x"_qs }, { u"hostile"_qs, name }, { u"status"_qs, 203 } }, nullptr));
        plan = table.take(request("/x"));
        EXPECT_EQ(plan.hostile, name);
        EXPECT_EQ(plan.answer->status, 203);
        EXPECT_EQ(plan.sizeBytes, name == u"hugeAnswer" ? 50'000'000 : 0);
    }
}

TEST(Faults, BadOrContradictoryDescriptionsAreRefused)
{
    for (const char *json : {
             R"({"status": 500})",
             R"({"path": "stream", "status": 500})",
             R"({"path": "/x"})",
             R"({"path": "/x", "status": 42})",
             R"({"path": "/x", "delayMs": -1})",
             R"({"path": "/x", "status": 500, "colour": 1})",
             R"({"path": "/x", "body": "a", "badJson": true})",
             R"({"path": "/x", "body": "a", "drop": true})",
             R"({"path": "/x", "chunks": ["a"], "trickleMs": 10})",
             R"({"path": "/x", "contentType": "text/html"})",
             R"({"path": "/x", "body": "a", "contentType": "text/html\nX-Evil: 1"})",
             R"({"path": "/x", "hostile": "rude"})",
             R"({"path": "/x", "hostile": "hugeAnswer", "sizeBytes": 9000000000})",
         }) {
        QString error;
        EXPECT_FALSE(parse(json, &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
}

TEST(Latency, AddsToEveryPlanButTheControlRoutesAndToDelayFaults)
{
    ServiceOptions options;
    options.latencyMs = 150;
    ServiceHarness h(options);
    for (const char *path : { "/stream/0/posts/stream", "/avatars/a.png", "/img.php" })
        EXPECT_EQ(h.service.planFor(request(path)).delayMs, 150) << path;
    EXPECT_EQ(h.service.planFor(request("/_sandbox/latency")).delayMs, 0);
    h.service.faults().add(*parse(R"({"path": "/macpad/Velto.txt", "delayMs": 400})"));
    EXPECT_EQ(h.service.planFor(request("/macpad/Velto.txt")).delayMs, 550);

    EXPECT_EQ(ServiceHarness::object(h.send("GET", "/_sandbox/latency")),
        (QJsonObject { { u"ms"_qs, 150 }, { u"jitterMs"_qs, 0 } }));
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
            R"({"ms": 10, "jitterMs": 1.5})", R"({"ms": 10, "slow": true})", "[]" })
        EXPECT_EQ(h.send("POST", "/_sandbox/latency", bad).status, 400) << bad;
    EXPECT_EQ(h.service.latency().ms, 40); // refusals change nothing

    // Reset goes back to the latency the sandbox was started with.
    ASSERT_EQ(h.send("POST", "/_sandbox/reset").status, 200);
    EXPECT_EQ(h.service.latency().ms, 150);
    EXPECT_EQ(h.service.latency().jitterMs, 0);
}
