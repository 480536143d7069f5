// velto-sandbox as the demo and the end-to-end tests use it: a child process
// on a loopback port, reached over real sockets; its command line, its state
// file, and the memory a huge answer takes.
#include "SandboxServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QHostAddress>
#include <QJsonDocument>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SandboxProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString(); }

    QNetworkReply *get(QNetworkAccessManager &nam, const QString &apiPath)
    {
        QNetworkRequest request(QUrl(sandbox.apiBase() + apiPath));
        request.setRawHeader("Authorization", "Bearer demo-token");
        return nam.get(request);
    }

    int postCount()
    {
        return sandbox.api("GET", "users/me").json()[u"counts"_qs][u"posts"_qs].toInt();
    }

    SandboxServer sandbox;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A figure from /proc/<pid>/status, in kilobytes.
qint64 statusKb(qint64 pid, const QByteArray &field)
{
    QFile file(u"/proc/%1/status"_qs.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

TEST_F(SandboxProcess, AnswersOnlyOnTheAnnouncedLoopbackPortAndLogsDroppedRequests)
{
    EXPECT_NE(sandbox.port(), 0);
    EXPECT_EQ(sandbox.baseUrl().host(), u"127.0.0.1"_qs);
    const SandboxServer::Reply root = sandbox.request("GET", "/");
    EXPECT_EQ(root.status, 200);
    const QDateTime date = QLocale::c().toDateTime(
        QString::fromLatin1(root.header("date")), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_qs);
    ASSERT_TRUE(date.isValid()) << root.header("date").constData();
    EXPECT_LT(std::abs(QDateTime(date.date(), date.time(), QTimeZone::utc())
                           .secsTo(QDateTime::currentDateTimeUtc())),
        60);
    EXPECT_EQ(sandbox.api("GET", "users/me").json().value(u"username"_qs).toString(), u"demo"_qs);
    EXPECT_EQ(sandbox.request("GET", "/stream/0/users/me").status, 401);

    sandbox.setEnvironment();
    EXPECT_EQ(qgetenv("VELTO_API_BASE"), sandbox.apiBase().toUtf8());
    EXPECT_EQ(qgetenv("VELTO_PROBE_URL"), sandbox.baseUrl().toString().toUtf8() + "/");
    EXPECT_EQ(qgetenv("VELTO_MAKER_SITE_BASE"), sandbox.baseUrl().toString().toUtf8());

    // Only on 127.0.0.1: another loopback address reaches a socket bound to all addresses.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(u"127.0.0.2"_qs), sandbox.port());
    EXPECT_FALSE(socket.waitForConnected(2000));

    // A dropped request gets no answer, changes nothing and is logged with status 0.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts"_qs, 0, 0, false, true));
    const int before = postCount();
    EXPECT_EQ(sandbox.api("POST", "posts", "text=lost").status, 0);
    EXPECT_EQ(postCount(), before);
    const QJsonArray log = sandbox.requests();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QJsonValue &entry) {
        return entry[u"path"_qs] == u"/stream/0/posts"_qs && entry[u"status"_qs] == 0
            && entry[u"body"_qs] == u"text=lost"_qs;
    }));
}

TEST_F(SandboxProcess, ManyClientsAtOnceEachGetTheirAnswer)
{
    const int before = postCount();
    std::vector<std::unique_ptr<QNetworkAccessManager>> clients;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int c = 0; c < 4; ++c) {
        clients.push_back(std::make_unique<QNetworkAccessManager>());
        for (int i = 0; i < 10; ++i) {
            QNetworkRequest request(QUrl(sandbox.apiBase() + u"/posts"_qs));
            request.setRawHeader("Authorization", "Bearer demo-token");
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                QByteArray("application/x-www-form-urlencoded"));
            replies.emplace_back(clients.back()->post(request,
                "text=client%20" + QByteArray::number(c) + "%20post%20" + QByteArray::number(i)));
            replies.emplace_back(get(*clients.back(), u"/posts/stream?count=50"_qs));
        }
        // Everyone asks for the same picture that is not drawn yet.
        replies.emplace_back(clients.back()->get(
            QNetworkRequest(sandbox.baseUrl().resolved(QUrl(u"/avatars/fresh-face.png"_qs)))));
    }
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return std::all_of(
                replies.begin(), replies.end(), [](const auto &r) { return r->isFinished(); });
        },
        std::chrono::seconds(30)));
    QSet<QString> ids;
    QSet<QByteArray> pictures;
    for (const auto &reply : replies) {
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200)
            << reply->errorString().toStdString();
        const QByteArray body = reply->readAll();
        const QJsonDocument doc = QJsonDocument::fromJson(body);
        if (reply->url().path().startsWith(u"/avatars/"))
            pictures.insert(body);
        else if (reply->operation() == QNetworkAccessManager::PostOperation)
            ids.insert(doc.object().value(u"id"_qs).toString());
        else
            EXPECT_EQ(doc.array().size(), 50);
    }
    EXPECT_EQ(ids.size(), 40);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(pictures.begin()->startsWith("\x89PNG"));
    EXPECT_EQ(postCount(), before + 40);
}

TEST_F(SandboxProcess, OversizedBodiesHeadAndKeepAlive)
{
    const SandboxServer::Reply big
        = sandbox.api("POST", "posts", "text=" + QByteArray(6 * 1024 * 1024, 'a'));
    EXPECT_EQ(big.status, 413);
    EXPECT_EQ(big.json()[u"meta"_qs][u"code"_qs].toInt(), 413);

    const SandboxServer::Reply full = sandbox.request("GET", "/avatars/7.png");
    const SandboxServer::Reply head = sandbox.request("HEAD", "/avatars/7.png");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.isEmpty());
    EXPECT_EQ(head.header("content-length").toInt(), full.body.size());
    EXPECT_EQ(head.header("etag"), full.header("etag"));

    // Several requests over one kept-alive connection.
    QNetworkAccessManager nam;
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<QNetworkReply> reply(get(nam, u"/users/me"_qs));
        ASSERT_TRUE(testsupport::waitUntil([&] { return reply->isFinished(); }));
        EXPECT_EQ(reply->error(), QNetworkReply::NoError);
        EXPECT_EQ(reply->rawHeader("Connection").toLower(), "keep-alive");
    }
}

TEST(SandboxState, SurvivesARestartAndAnUnreadableFileIsSetAside)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"state.json"_qs);
    QString postId;
    QString token;
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
        postId = sandbox.api("POST", "posts", "text=kept%20across%20restarts")
                     .json()[u"id"_qs]
                     .toString();
        ASSERT_FALSE(postId.isEmpty());
        token = sandbox.issueToken(u"alice"_qs);
        ASSERT_FALSE(token.isEmpty());
        sandbox.stop();
    }
    ASSERT_TRUE(QFile::exists(file));
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
        const SandboxServer::Reply post = sandbox.api("GET", "posts/" + postId.toUtf8());
        EXPECT_EQ(post.status, 200);
        EXPECT_EQ(post.json()[u"text"_qs].toString(), u"kept across restarts"_qs);
        // Its own links follow the sandbox to its new port.
        EXPECT_TRUE(post.json()[u"source"_qs][u"link"_qs].toString().startsWith(
            sandbox.baseUrl().toString()));
        EXPECT_EQ(sandbox.request("GET", "/_sandbox/state").json()[u"base_url"_qs].toString(),
            sandbox.baseUrl().toString());
        EXPECT_EQ(sandbox
                      .request("GET", "/stream/0/users/me", {},
                          { { "Authorization", "Bearer " + token.toUtf8() } })
                      .json()[u"username"_qs]
                      .toString(),
            u"alice"_qs);
    }

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{\"format\": \"velto-sandbox-state\", \"users\": [");
    broken.close();
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
    // The seeded world, without the post; the broken file is kept beside.
    EXPECT_EQ(sandbox.api("GET", "posts/" + postId.toUtf8()).status, 404);
    EXPECT_EQ(sandbox.api("GET", "users/me").status, 200);
    QFile aside(file + u".unreadable"_qs);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_TRUE(aside.readAll().endsWith("\"users\": ["));
}

TEST(SandboxCommandLine, WrongArgumentsAGivenOrBusyPortAndStopSignals)
{
    for (const QStringList &args :
        { QStringList { u"--port"_qs, u"abc"_qs }, QStringList { u"--port"_qs, u"70000"_qs },
            QStringList { u"--seed"_qs, u"-1"_qs }, QStringList { u"--bogus"_qs },
            QStringList { u"--latency"_qs, u"slow"_qs }, QStringList { u"--latency"_qs, u"-5"_qs },
            QStringList { u"--latency"_qs, u"60001"_qs },
            QStringList { u"--latency-jitter"_qs, u"1.5"_qs }, QStringList { u"extra"_qs } }) {
        QProcess process;
        process.start(QStringLiteral(VELTO_SANDBOX_BINARY), args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(process.readAllStandardError().startsWith("velto-sandbox: "));
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }

    const quint16 port = freePort();
    SandboxServer first;
    ASSERT_TRUE(first.start({ u"--port"_qs, QString::number(port) }))
        << first.errorString().toStdString();
    EXPECT_EQ(first.port(), port);
    SandboxServer second;
    EXPECT_FALSE(second.start({ u"--port"_qs, QString::number(port) }));
    EXPECT_FALSE(second.errorString().isEmpty());
    EXPECT_EQ(first.request("GET", "/").status, 200);

    QProcess process;
    process.start(QStringLiteral(VELTO_SANDBOX_BINARY), { u"--quiet"_qs });
    ASSERT_TRUE(process.waitForReadyRead(10000));
    EXPECT_TRUE(process.readLine().startsWith("velto-sandbox listening on http://127.0.0.1:"));
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST(SandboxDemo, MentionsTheDemoUserNowAndThen)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--demo"_qs, u"--mention-interval"_qs, u"1"_qs }));
    const QString newest
        = sandbox.api("GET", "users/me/mentions?count=1").jsonArray()[0][u"id"_qs].toString();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return !sandbox.api("GET", "users/me/mentions?since_id=" + newest.toUtf8())
                        .jsonArray()
                        .isEmpty();
        },
        std::chrono::seconds(8)));
}

TEST(SandboxLatency, TheCommandLineSetsItAndResetRestoresIt)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--latency"_qs, u"300"_qs }))
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
    ASSERT_TRUE(
        sandbox.injectHostile(u"/stream/0/posts/stream/global"_qs, u"hugeAnswer"_qs, kSize, 2));
    for (int i = 0; i < 2; ++i) {
        const SandboxServer::Reply reply = sandbox.request("GET", "/stream/0/posts/stream/global",
            {}, { { "Authorization", "Bearer demo-token" } }, 120000);
        ASSERT_EQ(reply.status, 200);
        EXPECT_LE(reply.body.size(), kSize);
        EXPECT_GT(reply.body.size(), kSize - 10000);
        EXPECT_EQ(reply.header("content-length").toLongLong(), reply.body.size());
        EXPECT_TRUE(reply.body.startsWith("[{") && reply.body.endsWith("}]"));
    }
    // One copy of the page, made once, and a little for the pieces in flight.
    const qint64 grown = statusKb(sandbox.processId(), "VmHWM") - before;
    EXPECT_LT(grown * 1024, kSize * 3 / 2) << "peak memory grew by " << grown << " kB";
}
