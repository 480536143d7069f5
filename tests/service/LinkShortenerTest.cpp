// The link shortener's request, and which answers count as a short link.
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include "service/LinkShortener.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

using Reply = ScriptedHttpServer::Reply;
// An answer came, and it held no short link.
const std::optional<std::optional<QString>> noShortLink { std::optional<QString>() };

class LinkShortenerTest : public ::testing::Test {
protected:
    void SetUp() override { shortener.setBase(server.origin()); }

    // Asks and waits; nullopt inside when the answer held no short link.
    std::optional<std::optional<QString>> run(const QString &link)
    {
        std::optional<std::optional<QString>> result;
        shortener.shorten(link, &context, [&](const std::optional<QString> &s) { result = s; });
        testsupport::waitUntil([&] { return result.has_value(); }, 10s);
        return result;
    }

    ScriptedHttpServer server;
    LinkShortener shortener;
    QObject context;
};

TEST_F(LinkShortenerTest, SendsTheLinkUnescapedAndTakesThePlainTextAnswer)
{
    server.route("/create.php", Reply::answer(200, "http://sho.rt/abc1\n", "text/plain"));
    const auto result = run(u"https://example.org/a/b?c=d&e=f"_qs);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, std::optional<QString>(u"http://sho.rt/abc1"_qs));
    ASSERT_EQ(server.requests().size(), 1);
    const auto request = server.requests().first();
    EXPECT_EQ(request.method, QByteArrayLiteral("GET"));
    EXPECT_EQ(request.target,
        QByteArrayLiteral("/create.php?format=simple&url=https://example.org/a/b?c=d&e=f"));
    EXPECT_TRUE(request.header("Authorization").isEmpty());
}

TEST_F(LinkShortenerTest, ErrorPagesRefusalsAndOddAnswersGiveNoShortLink)
{
    server.route("/create.php", Reply::close());
    EXPECT_EQ(run(u"http://example.org/xxxxxxxxxxxxx"_qs), noShortLink);
    const struct {
        int status;
        QByteArray body;
    } refused[] = {
        { 400, "Error: Please enter a valid URL to shorten." },
        { 200, "<html><body>Oops</body></html>" },
        { 200, "" },
        { 200, "http://a.b/1 http://a.b/2" },
        { 200, "ftp://a.b/1" },
        { 201, "http://a.b/1" },
        { 200, QByteArray(5000, 'h') },
    };
    for (const auto &r : refused) {
        server.route("/create.php", Reply::answer(r.status, r.body, "text/plain"));
        EXPECT_EQ(run(u"http://example.org/xxxxxxxxxxxxx"_qs), noShortLink)
            << r.body.left(40).data();
    }
    EXPECT_EQ(LinkShortener::shortLinkFromAnswer(200, "  https://a.b/1\r\n"), u"https://a.b/1"_qs);
}

TEST_F(LinkShortenerTest, ASilentShortenerGivesUpAtTheDeadlineAndNothingWaitsForIt)
{
    server.route("/create.php", Reply::hang());
    shortener.setTimeout(600ms);
    // The program keeps running meanwhile.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer clock;
    clock.start();
    const auto result = run(u"http://example.org/xxxxxxxxxxxxx"_qs);
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->has_value());
    EXPECT_GE(clock.elapsed(), 550);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GE(ticks, 5);

    // A trickle that never ends is held to the same deadline.
    server.route("/create.php", Reply::answer(200, QByteArray(400, 'h')).trickled(100));
    clock.restart();
    const auto trickled = run(u"http://example.org/xxxxxxxxxxxxx"_qs);
    ASSERT_TRUE(trickled.has_value());
    EXPECT_FALSE(trickled->has_value());
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(LinkShortenerTest, NoAnswerReachesAnOwnerThatIsGone)
{
    server.route("/create.php", Reply::hang());
    bool called = false;
    auto owner = std::make_unique<QObject>();
    shortener.shorten(u"http://example.org/xxxxxxxxxxxxx"_qs, owner.get(),
        [&](const std::optional<QString> &) { called = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.hits("/create.php") == 1; }));
    owner.reset();
    EXPECT_TRUE(testsupport::waitUntil([&] { return server.connectionsClosedByClient() == 1; }));
    EXPECT_FALSE(called);
}

TEST_F(LinkShortenerTest, ALinkThatMakesNoRequestAnswersAtOnce)
{
    shortener.setBase(u"not a base"_qs);
    std::optional<std::optional<QString>> result;
    shortener.shorten(u"http://example.org/xxxxxxxxxxxxx"_qs, &context,
        [&](const std::optional<QString> &s) { result = s; });
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->has_value());
    EXPECT_EQ(server.hits(), 0);
}

} // namespace
