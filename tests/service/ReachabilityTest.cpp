#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include "core/OutsideAddresses.h"
#include "service/Network.h"
#include "service/Reachability.h"

#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

using Reply = ScriptedHttpServer::Reply;

class ReachabilityTest : public ::testing::Test {
protected:
    ScriptedHttpServer server;

    QUrl probeUrl() const { return QUrl(server.origin() + u"/"_qs); }

    std::optional<bool> probe(std::chrono::milliseconds timeout = 2s, std::optional<QUrl> url = {})
    {
        std::optional<bool> answer;
        probeReachability(
            url.value_or(probeUrl()), timeout, nullptr, [&](bool yes) { answer = yes; });
        testsupport::waitUntil([&] { return answer.has_value(); }, timeout + 3s);
        return answer;
    }
};

TEST_F(ReachabilityTest, AnyBodyMeansYesWhateverTheStatusAndNoBodyOrNoAnswerNo)
{
    const struct {
        Reply reply;
        bool reachable;
    } cases[] = {
        { Reply::answer(200, QByteArrayLiteral("<html>hi</html>"), "text/html"), true },
        { Reply::answer(404, QByteArrayLiteral("not here"), "text/plain"), true },
        { Reply::answer(503, QByteArrayLiteral("busy"), "text/plain"), true },
        // Body data that came before the connection broke.
        { Reply::json(200, R"([{"id":"1"},{"id":"2"},{"id":"3"}])").cutMidBody(), true },
        { Reply::answer(200, QByteArray(), "text/html"), false },
        { Reply::close(), false },
    };
    for (const auto &c : cases) {
        server.answerAll(c.reply);
        EXPECT_EQ(probe(), std::optional<bool>(c.reachable)) << &c - cases;
    }
    // Nobody listening at all.
    EXPECT_EQ(probe(2s, QUrl(u"http://127.0.0.1:%1/"_qs.arg(ScriptedHttpServer::unusedPort()))),
        std::optional<bool>(false));
}

TEST_F(ReachabilityTest, ASilentHostOrATrickleIsGivenUpAtTheTimeOutWhileTheEventLoopRuns)
{
    server.answerAll(Reply::hang());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    std::optional<bool> answer;
    const auto started = std::chrono::steady_clock::now();
    probeReachability(probeUrl(), 400ms, nullptr, [&](bool yes) { answer = yes; });
    EXPECT_FALSE(answer.has_value()); // asked, not yet answered: the caller goes on
    ASSERT_TRUE(testsupport::waitUntil([&] { return answer.has_value(); }, 5s));
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_FALSE(*answer);
    EXPECT_GE(took, 380ms);
    EXPECT_LT(took, 2s);
    EXPECT_GE(ticks, 5); // the event loop kept running while the probe waited
    EXPECT_TRUE(testsupport::waitUntil([&] { return server.connectionsClosedByClient() == 1; }));

    // Bytes that keep coming do not reset the limit: one deadline for the
    // whole exchange. What had come by then shows the host answered.
    server.answerAll(Reply::answer(200, QByteArray(100000, 'x'), "text/plain").trickled(50));
    answer.reset();
    const auto again = std::chrono::steady_clock::now();
    probeReachability(probeUrl(), 400ms, nullptr, [&](bool yes) { answer = yes; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return answer.has_value(); }, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - again, 2s);
    EXPECT_TRUE(*answer);
}

TEST_F(ReachabilityTest, TheCacheIsNeitherReadNorWritten)
{
    QTemporaryDir dir;
    auto *cache = new QNetworkDiskCache;
    cache->setCacheDirectory(dir.path());
    Network::manager().setCache(cache);

    server.answerAll(Reply::answer(200, QByteArrayLiteral("home page"), "text/html")
                         .header("Cache-Control", "public, max-age=3600"));
    EXPECT_EQ(probe(), std::optional<bool>(true));
    EXPECT_FALSE(cache->metaData(probeUrl()).isValid());

    server.answerAll(Reply::close());
    EXPECT_EQ(probe(), std::optional<bool>(false));
    EXPECT_GE(server.requests().size(), 2); // Qt retries a connection closed unanswered once

    Network::manager().setCache(nullptr);
}

TEST_F(ReachabilityTest, HasInternetProbesTheConfiguredAddress)
{
    const OutsideAddresses saved = OutsideAddresses::current();
    OutsideAddresses addresses = saved;
    addresses.probeUrl = server.origin() + u"/probe-here"_qs;
    OutsideAddresses::setCurrent(addresses);
    server.answerAll(Reply::answer(200, QByteArrayLiteral("ok"), "text/plain"));

    std::optional<bool> answer;
    hasInternet(nullptr, [&](bool yes) { answer = yes; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return answer.has_value(); }));
    OutsideAddresses::setCurrent(saved);

    EXPECT_TRUE(*answer);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().target, QByteArrayLiteral("/probe-here"));
    EXPECT_EQ(server.requests().first().headerIndex("Authorization"), -1);
}

TEST_F(ReachabilityTest, AGoneOwnerIsNotAnswered)
{
    server.answerAll(Reply::hang());
    auto owner = std::make_unique<QWidget>();
    bool answered = false;
    probeReachability(probeUrl(), 2s, owner.get(), [&](bool) { answered = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requests().size() == 1; }));
    owner.reset();
    EXPECT_TRUE(testsupport::waitUntil([&] { return server.connectionsClosedByClient() == 1; }));
    testsupport::waitUntil([] { return false; }, 100ms);
    EXPECT_FALSE(answered);
}

} // namespace
