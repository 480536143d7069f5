// Slow and split answers over real sockets, with the server in this process:
// latency, trickles and split bodies, none of which may hold other clients up.
#include "ServerHarness.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

using namespace sandbox;
using namespace sandboxtest;

namespace {

void addFault(ServerHarness &h, const char *json)
{
    QString error;
    const auto fault = Fault::fromJson(QJsonDocument::fromJson(json).object(), &error);
    ASSERT_TRUE(fault) << error.toStdString();
    h.service.faults().add(*fault);
}

} // namespace

TEST(SlowAnswers, ATrickleSendsTheHeadersThenTheBodyInPiecesWhileOthersAreServed)
{
    ServerHarness h;
    addFault(h, R"({"path": "/stream/0/users/me", "trickleMs": 40, "trickleBytes": 100})");
    RawClient slow(h.port, "GET", "/stream/0/users/me");
    ASSERT_TRUE(slow.waitFor([&] { return slow.hasHeaders(); }, 2000));
    EXPECT_EQ(slow.status(), 200);
    EXPECT_LE(slow.body().size(), 200);

    RawClient fast(h.port, "GET", "/stream/0/posts/stream/global?count=1");
    ASSERT_TRUE(fast.waitFor([&] { return fast.hasWholeBody(); }));
    EXPECT_EQ(fast.status(), 200);
    EXPECT_FALSE(slow.hasWholeBody());

    ASSERT_TRUE(slow.waitFor([&] { return slow.hasWholeBody(); }, 10000));
    const qsizetype size = slow.header("content-length").toLongLong();
    EXPECT_GE(slow.clock.elapsed(), (size / 100) * 40 - 40);
    EXPECT_GE(slow.arrivals.size(), size / 100);
    EXPECT_EQ(
        QJsonDocument::fromJson(slow.body()).object().value(u"username"_qs).toString(), u"demo"_qs);
}

TEST(SlowAnswers, SplitAnswersArriveInTheirPiecesAndChangeNothing)
{
    ServerHarness h;
    addFault(h, R"({"path": "/img.php", "chunks": ["Y", "ES"], "chunkDelayMs": 300})");
    const QByteArray upload = "--B\r\nContent-Disposition: form-data; name=\"uploaded\"; "
                              "filename=\"/tmp/a.jpg\"\r\n\r\n"
                              "\xFF\xD8jpeg\r\n--B--\r\n";
    RawClient client(h.port, "POST", "/img.php", upload);
    ASSERT_TRUE(client.waitFor([&] { return client.hasWholeBody(); }));
    EXPECT_EQ(client.body(), "YES");
    EXPECT_EQ(client.header("content-length"), "3");
    const auto first = client.firstBodyArrival();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, "Y"); // a reader that looks at each piece never sees "YES" in one
    EXPECT_GE(client.arrivals.last().atMs - first->atMs, 250);
    EXPECT_TRUE(h.service.hosts().uploads.isEmpty());
}

TEST(SlowAnswers, LatencyDelaysEveryHostButNotTheControlRoutes)
{
    ServiceOptions options;
    options.latencyMs = 400;
    ServerHarness h(options);
    RawClient control(h.port, "GET", "/_sandbox/latency");
    ASSERT_TRUE(control.waitFor([&] { return control.hasWholeBody(); }));
    EXPECT_LT(control.clock.elapsed(), 350);

    // Six hosts at once: each waits its 400 ms, none waits for another.
    QElapsedTimer all;
    all.start();
    std::vector<std::unique_ptr<RawClient>> clients;
    for (const char *target : { "/stream/0/users/me", "/avatars/far.png", "/",
             "/create.php?format=simple&url=http://a.com/", "/img/sample-1.png",
             "/macpad/Velto.plist" })
        clients.push_back(std::make_unique<RawClient>(h.port, "GET", target));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return std::all_of(
                clients.begin(), clients.end(), [](const auto &c) { return c->hasWholeBody(); });
        },
        std::chrono::seconds(10)));
    for (const auto &c : clients) {
        EXPECT_EQ(c->status(), 200);
        EXPECT_GE(c->arrivals.first().atMs, 390);
    }
    EXPECT_LT(all.elapsed(), 1800); // six waits one after the other would take 2400
}
