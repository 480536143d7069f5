// velto-sandbox as the demo and the end-to-end tests use it: a child process
// on a loopback port, reached over real sockets; its command line and its
// state file.
#include "SandboxServer.h"
#include "TestSupport.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

int postCount(const SandboxServer &sandbox)
{
    return sandbox.api("GET", "users/me").json()[u"counts"_qs][u"posts"_qs].toInt();
}

} // namespace

TEST(SandboxProcess, AnswersOnlyOnTheAnnouncedLoopbackPortAndLogsDroppedRequests)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start()) << sandbox.errorString().toStdString();
    EXPECT_EQ(sandbox.api("GET", "users/me").json().value(u"username"_qs).toString(), u"demo"_qs);
    EXPECT_EQ(sandbox.request("GET", "/stream/0/users/me").status, 401);
    // Only on 127.0.0.1: another loopback address reaches a socket bound to all addresses.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(u"127.0.0.2"_qs), sandbox.port());
    EXPECT_FALSE(socket.waitForConnected(2000));

    // A dropped request gets no answer, changes nothing and is logged with status 0.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts"_qs, 0, 0, false, true));
    const int before = postCount(sandbox);
    EXPECT_EQ(sandbox.api("POST", "posts", "text=lost").status, 0);
    EXPECT_EQ(postCount(sandbox), before);
    const QJsonArray log = sandbox.requests();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QJsonValue &entry) {
        return entry[u"path"_qs] == u"/stream/0/posts"_qs && entry[u"status"_qs] == 0
            && entry[u"body"_qs] == u"text=lost"_qs;
    }));

    // Clients at once, all asking for a picture not drawn yet: each gets its
    // answer while the picture is drawn once.
    QNetworkAccessManager nam;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int i = 0; i < 12; ++i) {
        const bool picture = i % 2 == 0;
        QNetworkRequest request(picture
                ? sandbox.baseUrl().resolved(QUrl(u"/avatars/fresh-face.png"_qs))
                : QUrl(sandbox.apiBase() + u"/posts/stream?count=50"_qs));
        request.setRawHeader("Authorization", "Bearer demo-token");
        replies.emplace_back(nam.get(request));
    }
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return std::all_of(
                replies.begin(), replies.end(), [](const auto &r) { return r->isFinished(); });
        },
        std::chrono::seconds(30)));
    QSet<QByteArray> pictures;
    for (const auto &reply : replies) {
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200)
            << reply->errorString().toStdString();
        const QByteArray body = reply->readAll();
        if (reply->url().path().startsWith(u"/avatars/"))
            pictures.insert(body);
        else
            EXPECT_EQ(QJsonDocument::fromJson(body).array().size(), 50);
    }
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(pictures.begin()->startsWith("\x89PNG"));
}

TEST(SandboxState, SurvivesARestartOnAnotherPortAndAnUnreadableFileIsSetAside)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"state.json"_qs);
    QString postId;
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
        postId = sandbox.api("POST", "posts", "text=kept").json()[u"id"_qs].toString();
        ASSERT_FALSE(postId.isEmpty());
    }
    {
        SandboxServer sandbox;
        ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
        const SandboxServer::Reply post = sandbox.api("GET", "posts/" + postId.toUtf8());
        EXPECT_EQ(post.json()[u"text"_qs].toString(), u"kept"_qs);
        // Its own links follow the sandbox to its new port.
        EXPECT_TRUE(post.json()[u"source"_qs][u"link"_qs].toString().startsWith(
            sandbox.baseUrl().toString()));
        EXPECT_EQ(sandbox.request("GET", "/_sandbox/state").json()[u"base_url"_qs].toString(),
            sandbox.baseUrl().toString());
    }

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{\"format\": \"velto-sandbox-state\", \"users\": [");
    broken.close();
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--state"_qs, file }));
    // The seeded world, without the post; the broken file is kept beside.
    EXPECT_EQ(sandbox.api("GET", "posts/" + postId.toUtf8()).status, 404);
    QFile aside(file + u".unreadable"_qs);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_TRUE(aside.readAll().endsWith("\"users\": ["));
}

TEST(SandboxCommandLine, SetsTheLatencyThatResetRestores)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--latency"_qs, u"300"_qs }))
        << sandbox.errorString().toStdString();
    EXPECT_EQ(sandbox.latencyMs(), 300);
    ASSERT_TRUE(sandbox.setLatency(0));
    ASSERT_TRUE(sandbox.reset());
    EXPECT_EQ(sandbox.latencyMs(), 300);
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
