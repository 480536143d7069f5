// What only the sandbox as a process shows: the latency its command line
// sets, and the memory a huge answer takes.
#include "SandboxServer.h"

#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

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

} // namespace

TEST(SandboxLatency, TheCommandLineSetsItAndResetRestoresIt)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ QStringLiteral("--latency"), QStringLiteral("300") }))
        << sandbox.errorString().toStdString();
    EXPECT_EQ(sandbox.latencyMs(), 300);
    ASSERT_TRUE(sandbox.setLatency(0));
    ASSERT_TRUE(sandbox.reset());
    EXPECT_EQ(sandbox.latencyMs(), 300);
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
