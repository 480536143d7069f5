// The fault table as the service plans it: which requests a fault takes and
// how often, its own bodies, split answers and trickles, and the latency on
// top.
#include "ServiceHarness.h"

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

std::optional<Fault> parse(const char *json)
{
    return Fault::fromJson(QJsonDocument::fromJson(json).object(), nullptr);
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
    plan
        = planOf(R"({"path": "/x", "body": "<html/>", "contentType": "text/html", "status": 502})");
    EXPECT_EQ(plan.answer->status, 502);
    EXPECT_EQ(plan.answer->contentType, "text/html");

    plan = planOf(
        R"({"path": "/x", "chunks": ["Y", "ES ", "http://x/img/a.jpg"], "chunkDelayMs": 300})");
    EXPECT_EQ(plan.answer->body, "YES http://x/img/a.jpg");
    EXPECT_EQ(plan.pacing.chunkSizes, (QList<qsizetype> { 1, 3, 18 }));
    EXPECT_EQ(plan.pacing.chunkDelayMs, 300);

    // A trickle alone leaves the answer to the service.
    plan = planOf(R"({"path": "/x", "trickleMs": 5000})");
    EXPECT_FALSE(plan.answer);
    EXPECT_EQ(plan.pacing.trickleMs, 5000);
    EXPECT_EQ(plan.pacing.trickleBytes, 1);
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

    ASSERT_EQ(h.send("POST", "/_sandbox/latency", R"({"ms": 40, "jitterMs": 60})").status, 200);
    QSet<int> seen;
    for (int i = 0; i < 60; ++i) {
        const int delay = h.service.planFor(request("/")).delayMs;
        EXPECT_GE(delay, 40);
        EXPECT_LE(delay, 100);
        seen.insert(delay);
    }
    EXPECT_GT(seen.size(), 5); // drawn anew each time
    EXPECT_EQ(h.send("POST", "/_sandbox/latency", R"({"ms": -1})").status, 400);
    EXPECT_EQ(h.service.latency().ms, 40); // a refusal changes nothing
}
