// The newer faults, the latency and the bulk data through the helpers a
// client test uses, against velto-sandbox running as a process.
#include "SandboxServer.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A figure from /proc/<pid>/status, in kilobytes.
qint64 statusKb(qint64 pid, const QByteArray &field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

qint64 elapsedFor(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.elapsed();
}

} // namespace

TEST(SandboxLatency, TheCommandLineSetsItTheControlRouteChangesItResetRestoresIt)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ QStringLiteral("--latency"), QStringLiteral("300") }))
        << sandbox.errorString().toStdString();
    qint64 control = 0;
    control = elapsedFor([&] { EXPECT_EQ(sandbox.latencyMs(), 300); });
    const qint64 api = elapsedFor([&] { EXPECT_EQ(sandbox.api("GET", "users/me").status, 200); });
    const qint64 site
        = elapsedFor([&] { EXPECT_EQ(sandbox.request("GET", "/macpad/Velto.txt").status, 200); });
    EXPECT_GE(api, 290);
    EXPECT_GE(site, 290);
    EXPECT_LT(control, api - 150);

    ASSERT_TRUE(sandbox.setLatency(0));
    EXPECT_LT(elapsedFor([&] { sandbox.api("GET", "users/me"); }), api - 150);
    ASSERT_TRUE(sandbox.reset());
    EXPECT_EQ(sandbox.latencyMs(), 300);
    EXPECT_FALSE(sandbox.setLatency(-1));
}

TEST(SandboxAnswers, OwnBodiesSplitAnswersAndGeneratedPagesOverTheWire)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString();
    ASSERT_TRUE(sandbox.injectAnswer(QStringLiteral("/img.php"), "YESTERDAY"));
    SandboxServer::Reply reply = sandbox.request("POST", "/img.php", "x");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "YESTERDAY");
    EXPECT_EQ(reply.header("content-type"), "text/plain; charset=utf-8");

    ASSERT_TRUE(sandbox.injectAnswer(QStringLiteral("/stream/0/posts/stream"),
        "<html><body>Bad gateway</body></html>", "text/html", 502));
    reply = sandbox.api("GET", "posts/stream");
    EXPECT_EQ(reply.status, 502);
    EXPECT_EQ(reply.header("content-type"), "text/html");
    ASSERT_TRUE(
        sandbox.injectAnswer(QStringLiteral("/stream/0/posts/stream"), "", "application/json"));
    reply = sandbox.api("GET", "posts/stream");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.header("content-length"), "0");

    ASSERT_TRUE(sandbox.injectChunks(QStringLiteral("/img.php"), { "Y", "ES" }, 300));
    const qint64 split
        = elapsedFor([&] { EXPECT_EQ(sandbox.request("POST", "/img.php", "x").body, "YES"); });
    EXPECT_GE(split, 280);

    ASSERT_TRUE(sandbox.injectHostile(
        QStringLiteral("/stream/0/users/me/mentions"), QStringLiteral("longIds")));
    const QJsonArray page = sandbox.api("GET", "users/me/mentions?count=200&").jsonArray();
    ASSERT_EQ(page.size(), 5);
    EXPECT_EQ(page[0][QStringLiteral("id")].toString().size(), 40);
    EXPECT_FALSE(sandbox.injectHostile(QStringLiteral("/x"), QStringLiteral("rude")));
    EXPECT_EQ(sandbox.addFault({ { QStringLiteral("path"), QStringLiteral("/x") },
                  { QStringLiteral("body"), 5 } }),
        0);
}

TEST(SandboxAnswers, ATrickleOutlastsAClientsDeadlineWithoutHoldingOthers)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString();
    ASSERT_TRUE(sandbox.injectTrickle(QStringLiteral("/stream/0/posts/stream"), 5000));
    QNetworkAccessManager nam;
    QNetworkRequest request(QUrl(sandbox.apiBase() + QStringLiteral("/posts/stream?count=20&")));
    request.setRawHeader("Authorization", "Bearer demo-token");
    request.setTransferTimeout(1000);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> slow(nam.get(request));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return slow->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid(); },
        std::chrono::seconds(3)));
    EXPECT_EQ(slow->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
        200); // headers came at once
    EXPECT_EQ(sandbox.api("GET", "users/me").status, 200);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return slow->isFinished(); }, std::chrono::seconds(10)));
    EXPECT_EQ(slow->error(), QNetworkReply::OperationCanceledError);
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(sandbox.api("GET", "posts/stream?count=1").status, 200);
}

TEST(SandboxAnswers, AHugeAnswerIsServedWithoutCopiesOfItInTheSandbox)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString();
    constexpr qint64 kSize = 50'000'000;
    const qint64 before = statusKb(sandbox.processId(), "VmHWM");
    ASSERT_GT(before, 0);
    ASSERT_TRUE(sandbox.injectHostile(
        QStringLiteral("/stream/0/posts/stream/global"), QStringLiteral("hugeAnswer"), kSize, 2));
    for (int i = 0; i < 2; ++i) {
        const SandboxServer::Reply reply = sandbox.request("GET", "/stream/0/posts/stream/global",
            {}, { { "Authorization", "Bearer demo-token" } }, 120000);
        ASSERT_EQ(reply.status, 200);
        EXPECT_LE(reply.body.size(), kSize);
        EXPECT_GT(reply.body.size(), kSize - 10000);
        EXPECT_EQ(reply.header("content-length").toLongLong(), reply.body.size());
        EXPECT_TRUE(reply.body.startsWith("[{") && reply.body.endsWith("}]"));
        if (i == 0) {
            QJsonParseError error;
            QJsonDocument::fromJson(reply.body, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError);
        }
    }
    // One copy of the page, made once, and a little for the pieces in flight.
    const qint64 grown = statusKb(sandbox.processId(), "VmHWM") - before;
    EXPECT_LT(grown * 1024, kSize * 3 / 2) << "peak memory grew by " << grown << " kB";
}

TEST(SandboxBulk, MentionsAndCrowdsThroughTheHelpers)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString();
    const int following = sandbox.api("GET", "users/me")
                              .json()[QStringLiteral("counts")][QStringLiteral("following")]
                              .toInt();
    const QStringList mentions = sandbox.postMentions(1500);
    ASSERT_EQ(mentions.size(), 1500);
    const QJsonArray poll = sandbox.api("GET", "users/me/mentions?count=200&").jsonArray();
    ASSERT_EQ(poll.size(), 200);
    EXPECT_EQ(poll[0][QStringLiteral("id")].toString(), mentions.last());

    ASSERT_EQ(sandbox.addFollowing(5000).size(), 5000);
    EXPECT_EQ(sandbox.addFollowers(100).size(), 100);
    const QJsonObject me = sandbox.api("GET", "users/me").json();
    EXPECT_EQ(me[QStringLiteral("counts")][QStringLiteral("following")].toInt(), following + 5000);
    EXPECT_EQ(sandbox.api("GET", "users/me/following").jsonArray().size(), 50);
    // The single form of the mention route still answers a post.
    EXPECT_TRUE(sandbox.postMention(QStringLiteral("alice"))
                    .value(QStringLiteral("text"))
                    .toString()
                    .contains(QStringLiteral("@demo")));
}
