// velto-sandbox as the demo and the end-to-end tests use it: a child process
// on a loopback port, reached over real sockets.
#include "SandboxServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QHostAddress>
#include <QJsonDocument>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
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

    SandboxServer sandbox;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

TEST_F(SandboxProcess, AnswersOnTheAnnouncedLoopbackPort)
{
    EXPECT_NE(sandbox.port(), 0);
    EXPECT_EQ(sandbox.baseUrl().host(), QStringLiteral("127.0.0.1"));
    const SandboxServer::Reply root = sandbox.request("GET", "/");
    EXPECT_EQ(root.status, 200);
    const QDateTime date = QLocale::c().toDateTime(QString::fromLatin1(root.header("date")),
        QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    ASSERT_TRUE(date.isValid()) << root.header("date").constData();
    EXPECT_LT(std::abs(QDateTime(date.date(), date.time(), QTimeZone::utc())
                           .secsTo(QDateTime::currentDateTimeUtc())),
        60);
    EXPECT_EQ(sandbox.api("GET", "users/me").json().value(QStringLiteral("username")).toString(),
        QStringLiteral("demo"));
    EXPECT_EQ(sandbox.request("GET", "/stream/0/users/me").status, 401);

    sandbox.setEnvironment();
    EXPECT_EQ(qgetenv("VELTO_API_BASE"), sandbox.apiBase().toUtf8());
    EXPECT_EQ(qgetenv("VELTO_PROBE_URL"), sandbox.baseUrl().toString().toUtf8() + "/");
    EXPECT_EQ(qgetenv("VELTO_MAKER_SITE_BASE"), sandbox.baseUrl().toString().toUtf8());
}

TEST(SandboxPorts, TakesAGivenPortAndReportsABusyOne)
{
    const quint16 port = freePort();
    SandboxServer first;
    ASSERT_TRUE(first.start({ QStringLiteral("--port"), QString::number(port) }))
        << first.errorString().toStdString();
    EXPECT_EQ(first.port(), port);
    SandboxServer second;
    EXPECT_FALSE(second.start({ QStringLiteral("--port"), QString::number(port) }));
    EXPECT_FALSE(second.errorString().isEmpty());
    EXPECT_EQ(first.request("GET", "/").status, 200);
}

TEST_F(SandboxProcess, IsNotReachableFromOtherAddresses)
{
    QHostAddress outside;
    for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            outside = a;
    }
    if (outside.isNull())
        GTEST_SKIP() << "this machine has no address besides loopback";
    QTcpSocket socket;
    socket.connectToHost(outside, sandbox.port());
    EXPECT_FALSE(socket.waitForConnected(2000));
}

TEST_F(SandboxProcess, ADroppedRequestGetsNoAnswerChangesNothingAndIsLogged)
{
    ASSERT_TRUE(sandbox.injectFault(QStringLiteral("/stream/0/posts"), 0, 0, false, true));
    const int before = sandbox.api("GET", "users/me")
                           .json()[QStringLiteral("counts")][QStringLiteral("posts")]
                           .toInt();
    EXPECT_EQ(sandbox.api("POST", "posts", "text=lost").status, 0); // no answer at all
    EXPECT_EQ(sandbox.api("GET", "users/me")
                  .json()[QStringLiteral("counts")][QStringLiteral("posts")]
                  .toInt(),
        before);

    // What was asked is in the log, dropped requests with status 0.
    const QJsonArray log = sandbox.requests();
    bool sawDrop = false;
    for (const QJsonValue &entry : log)
        sawDrop = sawDrop
            || (entry[QStringLiteral("path")].toString() == u"/stream/0/posts"
                && entry[QStringLiteral("status")].toInt() == 0
                && entry[QStringLiteral("body")].toString() == u"text=lost");
    EXPECT_TRUE(sawDrop);
}

TEST_F(SandboxProcess, ManyClientsAtOnceEachGetTheirAnswer)
{
    const int before = sandbox.api("GET", "users/me")
                           .json()[QStringLiteral("counts")][QStringLiteral("posts")]
                           .toInt();
    std::vector<std::unique_ptr<QNetworkAccessManager>> clients;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int c = 0; c < 4; ++c) {
        clients.push_back(std::make_unique<QNetworkAccessManager>());
        for (int i = 0; i < 10; ++i) {
            QNetworkRequest request(QUrl(sandbox.apiBase() + QStringLiteral("/posts")));
            request.setRawHeader("Authorization", "Bearer demo-token");
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                QByteArray("application/x-www-form-urlencoded"));
            replies.emplace_back(clients.back()->post(request,
                "text=client%20" + QByteArray::number(c) + "%20post%20" + QByteArray::number(i)));
            replies.emplace_back(get(*clients.back(), QStringLiteral("/posts/stream?count=50")));
        }
        // Everyone asks for the same picture that is not drawn yet.
        replies.emplace_back(clients.back()->get(QNetworkRequest(
            sandbox.baseUrl().resolved(QUrl(QStringLiteral("/avatars/fresh-face.png"))))));
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
            ids.insert(doc.object().value(QStringLiteral("id")).toString());
        else
            EXPECT_EQ(doc.array().size(), 50);
    }
    EXPECT_EQ(ids.size(), 40);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(pictures.begin()->startsWith("\x89PNG"));
    EXPECT_EQ(sandbox.api("GET", "users/me")
                  .json()[QStringLiteral("counts")][QStringLiteral("posts")]
                  .toInt(),
        before + 40);
}

TEST_F(SandboxProcess, OversizedBodiesHeadAndKeepAlive)
{
    const SandboxServer::Reply big
        = sandbox.api("POST", "posts", "text=" + QByteArray(6 * 1024 * 1024, 'a'));
    EXPECT_EQ(big.status, 413);
    EXPECT_EQ(big.json()[QStringLiteral("meta")][QStringLiteral("code")].toInt(), 413);

    const SandboxServer::Reply full = sandbox.request("GET", "/avatars/7.png");
    const SandboxServer::Reply head = sandbox.request("HEAD", "/avatars/7.png");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.isEmpty());
    EXPECT_EQ(head.header("content-length").toInt(), full.body.size());
    EXPECT_EQ(head.header("etag"), full.header("etag"));

    // Several requests over one kept-alive connection.
    QNetworkAccessManager nam;
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<QNetworkReply> reply(get(nam, QStringLiteral("/users/me")));
        ASSERT_TRUE(testsupport::waitUntil([&] { return reply->isFinished(); }));
        EXPECT_EQ(reply->error(), QNetworkReply::NoError);
        EXPECT_EQ(reply->rawHeader("Connection").toLower(), "keep-alive");
    }
}

TEST(SandboxState, SurvivesARestartAndAnUnreadableFileIsSetAside)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("state.json"));
    QString postId;
    QString token;
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ QStringLiteral("--state"), file }));
        postId = sandbox.api("POST", "posts", "text=kept%20across%20restarts")
                     .json()[QStringLiteral("id")]
                     .toString();
        ASSERT_FALSE(postId.isEmpty());
        token = sandbox.issueToken(QStringLiteral("alice"));
        ASSERT_FALSE(token.isEmpty());
        sandbox.stop();
    }
    ASSERT_TRUE(QFile::exists(file));
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ QStringLiteral("--state"), file }));
        const SandboxServer::Reply post = sandbox.api("GET", "posts/" + postId.toUtf8());
        EXPECT_EQ(post.status, 200);
        EXPECT_EQ(
            post.json()[QStringLiteral("text")].toString(), QStringLiteral("kept across restarts"));
        // Its own links follow the sandbox to its new port.
        EXPECT_TRUE(
            post.json()[QStringLiteral("source")][QStringLiteral("link")].toString().startsWith(
                sandbox.baseUrl().toString()));
        EXPECT_EQ(
            sandbox.request("GET", "/_sandbox/state").json()[QStringLiteral("base_url")].toString(),
            sandbox.baseUrl().toString());
        EXPECT_EQ(sandbox
                      .request("GET", "/stream/0/users/me", {},
                          { { "Authorization", "Bearer " + token.toUtf8() } })
                      .json()[QStringLiteral("username")]
                      .toString(),
            QStringLiteral("alice"));
    }

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{\"format\": \"velto-sandbox-state\", \"users\": [");
    broken.close();
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ QStringLiteral("--state"), file }));
    // The seeded world, without the post; the broken file is kept beside.
    EXPECT_EQ(sandbox.api("GET", "posts/" + postId.toUtf8()).status, 404);
    EXPECT_EQ(sandbox.api("GET", "users/me").status, 200);
    QFile aside(file + QStringLiteral(".unreadable"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_TRUE(aside.readAll().endsWith("\"users\": ["));
}

TEST(SandboxCommandLine, WrongArgumentsAndStopSignals)
{
    for (const QStringList &args :
        { QStringList { QStringLiteral("--port"), QStringLiteral("abc") },
            QStringList { QStringLiteral("--port"), QStringLiteral("70000") },
            QStringList { QStringLiteral("--seed"), QStringLiteral("-1") },
            QStringList { QStringLiteral("--bogus") },
            QStringList { QStringLiteral("--latency"), QStringLiteral("slow") },
            QStringList { QStringLiteral("--latency"), QStringLiteral("-5") },
            QStringList { QStringLiteral("--latency"), QStringLiteral("60001") },
            QStringList { QStringLiteral("--latency-jitter"), QStringLiteral("1.5") },
            QStringList { QStringLiteral("extra") } }) {
        QProcess process;
        process.start(QStringLiteral(VELTO_SANDBOX_BINARY), args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(process.readAllStandardError().startsWith("velto-sandbox: "));
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }

    QProcess process;
    process.start(QStringLiteral(VELTO_SANDBOX_BINARY), { QStringLiteral("--quiet") });
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
    ASSERT_TRUE(sandbox.start(
        { QStringLiteral("--demo"), QStringLiteral("--mention-interval"), QStringLiteral("1") }));
    const QString newest = sandbox.api("GET", "users/me/mentions?count=1")
                               .jsonArray()[0][QStringLiteral("id")]
                               .toString();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return !sandbox.api("GET", "users/me/mentions?since_id=" + newest.toUtf8())
                        .jsonArray()
                        .isEmpty();
        },
        std::chrono::seconds(8)));
}
