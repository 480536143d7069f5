// Sending a post: the request as it goes out, one send at a time, and which
// answers count as sent.
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include "service/ApiClient.h"
#include "service/PostSender.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Reply = ScriptedHttpServer::Reply;

class PostSenderTest : public ::testing::Test {
protected:
    bool finish()
    {
        if (finished.isEmpty() && !finished.wait(10000))
            return false;
        return finished.takeFirst().at(0).toBool();
    }

    ScriptedHttpServer server;
    testsupport::ScriptedAlerts alerts;
    ApiClient api { u"tok-9"_qs, server.origin() + u"/stream/0"_qs };
    PostSender sender { &api };
    QSignalSpy finished { &sender, &PostSender::finished };
};

TEST_F(PostSenderTest, APostGoesOutOnceWithItsFormBody)
{
    server.route("/stream/0/posts", Reply::json(200, R"({"id":"900"})").trickled(5));
    const QString text = QString::fromUtf8("a&b c=d+é \U0001F600\n»");
    ASSERT_TRUE(sender.send(text, u"42"_qs));
    // A second send while the first is on its way is refused.
    EXPECT_TRUE(sender.isSending());
    EXPECT_FALSE(sender.send(text, u"42"_qs));
    EXPECT_TRUE(finish());
    EXPECT_FALSE(sender.isSending());

    ASSERT_EQ(server.requests().size(), 1);
    const auto request = server.requests().first();
    EXPECT_EQ(request.method, QByteArrayLiteral("POST"));
    EXPECT_EQ(request.target, QByteArrayLiteral("/stream/0/posts"));
    EXPECT_EQ(request.header("Authorization"), QByteArrayLiteral("Bearer tok-9"));
    EXPECT_EQ(
        request.header("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
    EXPECT_EQ(request.body,
        QByteArrayLiteral("text=a%26b%20c%3Dd%2B%C3%A9%20%F0%9F%98%80%0A%C2%BB&reply_to=42"));
    EXPECT_TRUE(alerts.shown().isEmpty());

    // A new post has no reply_to; an empty text sends nothing.
    ASSERT_TRUE(sender.send(u"hi"_qs));
    EXPECT_TRUE(finish());
    EXPECT_EQ(server.requests().last().body, QByteArrayLiteral("text=hi"));
    EXPECT_FALSE(sender.send(QString()));
}

TEST_F(PostSenderTest, EveryAnswerBut200IsAFailureWithItsAlertAfterSendingIsAllowedAgain)
{
    // With the service or the connection down the alert says the text is kept.
    const QString down = PostSender::offlineMessage();
    const std::pair<Reply, QString> answers[] = {
        { Reply::json(500, R"({"error":"down"})"), down },
        { Reply::json(201, R"({"id":"1"})"), u"Unable to post."_qs },
        { Reply::json(400, R"({"meta":{"error_message":"text is too long"}})"),
            u"Unable to post."_qs },
        { Reply::close(), down },
    };
    // When `finished` comes, sending is possible again and the alert is yet to come.
    qsizetype alertsAtFinish = -1;
    bool sendingAtFinish = true;
    QObject::connect(&sender, &PostSender::finished, [&] {
        alertsAtFinish = alerts.shown().size();
        sendingAtFinish = sender.isSending();
    });
    qsizetype expectedAlerts = 0;
    for (const auto &[answer, message] : answers) {
        server.route("/stream/0/posts", answer);
        ASSERT_TRUE(sender.send(u"hello"_qs));
        EXPECT_FALSE(finish());
        EXPECT_FALSE(sendingAtFinish);
        EXPECT_EQ(alertsAtFinish, expectedAlerts);
        ++expectedAlerts;
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return alerts.shown().size() == expectedAlerts; }));
        EXPECT_EQ(alerts.shown().last().title, u"Error!"_qs);
        EXPECT_EQ(alerts.shown().last().message, message);
    }
    // A connection closed before the answer is not sent again: one post at most.
    EXPECT_EQ(server.hits("/stream/0/posts"), 4);
}

} // namespace
