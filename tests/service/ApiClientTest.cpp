#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/ApiClient.h"
#include "service/SignIn.h"

#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

using Reply = ScriptedHttpServer::Reply;
using Request = ScriptedHttpServer::Request;

class ApiClientTest : public ::testing::Test {
protected:
    void SetUp() override { server.answerAll(Reply::json(200, "[]")); }

    ScriptedHttpServer server;
    testsupport::ScriptedAlerts alerts;
    ApiClient api { u"tok-1"_qs, server.origin() + u"/stream/0"_qs };

    // Sends and waits for the completion.
    ApiResult run(const ApiCall &call, QObject *context = nullptr)
    {
        std::optional<ApiResult> result;
        api.send(call, context, [&](const ApiResult &r) { result = r; });
        EXPECT_TRUE(testsupport::waitUntil([&] { return result.has_value(); }));
        return result.value_or(ApiResult {});
    }

    QStringList alertMessages() const
    {
        QStringList messages;
        for (const Alert &alert : alerts.shown()) {
            EXPECT_EQ(alert.title, u"Error!"_qs);
            EXPECT_EQ(alert.buttons, QStringList { u"OK"_qs });
            messages.append(alert.message);
        }
        return messages;
    }
};

TEST_F(ApiClientTest, EachCallGoesOutWithItsMethodPathAndBodyAfterBothHeaders)
{
    server.answerAll(Reply::json(200, QByteArrayLiteral(R"([{"id":"5"},{"id":"4"}])")));
    const struct {
        ApiCall call;
        QByteArray request; // method and target
        QByteArray body;
    } cases[] = {
        { { Endpoint::StarredPosts, {},
              { { u"count"_qs, u"200"_qs }, { u"before_id"_qs, u"987"_qs } } },
            "GET /stream/0/users/me/stars?count=200&before_id=987&", {} },
        { ApiCall::newPost(u"a&b c \u00e9"_qs, u"42"_qs), "POST /stream/0/posts",
            "text=a%26b%20c%20%C3%A9&reply_to=42" },
        { { Endpoint::StarPost, u"7"_qs }, "POST /stream/0/posts/7/star", {} },
        { { Endpoint::UnstarPost, u"7"_qs }, "DELETE /stream/0/posts/7/star", {} },
        { { Endpoint::DeletePost, u"7"_qs }, "DELETE /stream/0/posts/7", {} },
        { { Endpoint::UnfollowUser, u"3"_qs }, "DELETE /stream/0/users/3/follow", {} },
    };
    for (const auto &c : cases) {
        const ApiResult result = run(c.call);
        EXPECT_TRUE(result.succeeded()) << c.request.constData();
        const Request request = server.requests().last();
        EXPECT_EQ(request.method + ' ' + request.target, c.request);
        EXPECT_EQ(request.body, c.body) << c.request.constData();
        EXPECT_EQ(request.header("Authorization"), QByteArrayLiteral("Bearer tok-1"));
        EXPECT_EQ(
            request.header("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
        EXPECT_LT(request.headerIndex("Authorization"), request.headerIndex("Content-Type"));
    }
    EXPECT_EQ(server.requests().size(), qsizetype(std::size(cases)));
    // A page comes back parsed.
    const ApiResult page = run({ Endpoint::PersonalStream });
    ASSERT_EQ(page.jsonArray().size(), 2);
    EXPECT_EQ(page.jsonArray().at(0).toObject().value(u"id"_qs).toString(), u"5"_qs);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ApiClientTest, OnlyStatus200Succeeds)
{
    for (int status : { 201, 204, 302, 404, 500, 503 }) {
        server.answerAll(
            Reply::json(status, status == 204 ? QByteArray() : QByteArrayLiteral("{}")));
        const ApiResult result = run({ Endpoint::StarPost, u"1"_qs });
        EXPECT_FALSE(result.succeeded()) << status;
        EXPECT_EQ(result.status, status);
        EXPECT_FALSE(result.hasJson()) << status;
    }
    EXPECT_EQ(alertMessages(), QStringList(6, u"Unable to star post."_qs));
    // A failed mention check is only logged.
    EXPECT_EQ(run({ Endpoint::MentionPoll }).status, 503);
    EXPECT_EQ(alerts.shown().size(), 6);
}

TEST_F(ApiClientTest, ARefusedTokenAsksOnceToSignInAgainInsteadOfTheOperationsAlert)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    SignIn::forgetSignInQuestion();
    int restarts = 0;
    Relaunch::setRestartHandler([&] { ++restarts; });
    Preferences::standard().setValue(prefs::isUserAuthDone, true);
    Preferences::standard().setValue(prefs::accessToken, u"tok-1"_qs);
    server.answerAll(Reply::json(401, R"({"meta":{"code":401,"error_message":"Bad token"}})"));

    alerts.answerNext(1); // Later
    const ApiResult result = run({ Endpoint::PersonalStream });
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.status, 401);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"Sign-In No Longer Valid");
    EXPECT_EQ(alerts.shown().at(0).style, AlertStyle::Warning);
    EXPECT_EQ(alerts.shown().at(0).buttons, (QStringList { u"Sign In Again"_qs, u"Later"_qs }));
    // "Later" keeps the token; the next refusals, also of silent checks, do not ask again.
    run({ Endpoint::GlobalStream });
    run({ Endpoint::MentionPoll });
    EXPECT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(Preferences::standard().value(prefs::accessToken), u"tok-1"_qs);

    // In a new run the user signs in again: the token goes and the program restarts.
    SignIn::forgetSignInQuestion();
    alerts.answerNext(0);
    run({ Endpoint::CurrentUser });
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));

    Relaunch::setRestartHandler({});
    SignIn::forgetSignInQuestion();
    Preferences::resetStandard();
}

TEST_F(ApiClientTest, AStreamLoadCleansUpAfterItsAlertACommandBefore)
{
    server.answerAll(Reply::json(500, {}));
    qsizetype alertsSeenByStream = -1;
    qsizetype alertsSeenByStar = -1;
    bool streamDone = false;
    bool starDone = false;
    api.send({ Endpoint::PersonalStream }, nullptr, [&](const ApiResult &) {
        alertsSeenByStream = alerts.shown().size();
        streamDone = true;
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return streamDone; }));
    api.send({ Endpoint::StarPost, u"1"_qs }, nullptr, [&](const ApiResult &) {
        alertsSeenByStar = alerts.shown().size();
        starDone = true;
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return starDone; }));
    EXPECT_EQ(alertsSeenByStream, 1);
    EXPECT_EQ(alertsSeenByStar, 1); // its own alert came after it
    EXPECT_EQ(alerts.shown().size(), 2);
}

TEST_F(ApiClientTest, A200ThatIsNotTheExpectedJsonIsAFailureWithTheOperationsAlert)
{
    server.answerAll(Reply::answer(
        200, QByteArrayLiteral("<html>maintenance</html>"), QByteArrayLiteral("text/html")));
    const ApiResult page = run({ Endpoint::PersonalStream });
    EXPECT_FALSE(page.succeeded());
    EXPECT_EQ(page.status, 200);
    EXPECT_FALSE(page.hasJson());
    EXPECT_EQ(page.body, QByteArrayLiteral("<html>maintenance</html>"));
    EXPECT_EQ(alertMessages(), QStringList { u"Unable to fetch stream."_qs });

    for (const QByteArray &bad : { QByteArrayLiteral("[{\"id\":\"1\"},"),
             QByteArrayLiteral("\"just text\""), QByteArrayLiteral("42"),
             QByteArray("[\xff\xfe]", 4), QByteArray(), QByteArrayLiteral("[{\"id\":\"1\"}]") }) {
        server.answerAll(Reply::json(200, bad));
        const ApiResult user = run({ Endpoint::User, u"1"_qs });
        EXPECT_FALSE(user.succeeded()) << bad.constData();
        EXPECT_FALSE(user.hasJson()) << bad.constData();
    }

    // A page must be an array: an object is refused too.
    server.answerAll(Reply::json(200, QByteArrayLiteral(R"({"data":[{"id":"1"}]})")));
    EXPECT_FALSE(run({ Endpoint::GlobalStream }).succeeded());

    // A command's answer is not read: any 200 does.
    server.answerAll(Reply::answer(200, QByteArrayLiteral("ok"), QByteArrayLiteral("text/plain")));
    EXPECT_TRUE(run({ Endpoint::StarPost, u"1"_qs }).succeeded());
}

TEST_F(ApiClientTest, AnswersThatNeverComeWholeFailWithTheOperationsAlertAndTheNextRequestWorks)
{
    QByteArray huge(ApiClient::maximumAnswerBytes + 1024, ' ');
    huge[0] = '[';
    huge[huge.size() - 1] = ']';
    api.setDeadline(800ms);
    api.setTransferTimeout(300ms);
    const struct {
        const char *name;
        Reply reply;
        int status;
        std::chrono::milliseconds atLeast;
    } cases[] = {
        // A trickle of bytes ends at the deadline however long it goes on.
        { "trickle", Reply::json(200, QByteArray(400, ' ') + "[]").trickled(100), 0, 700ms },
        // Larger than the limit: refused unread.
        { "too large", Reply::json(200, huge), 200, 0ms },
        { "closed without an answer", Reply::close(), 0, 0ms },
        // Cut off mid-body: a failure, not a truncated success.
        { "cut off", Reply::json(200, R"([{"id":"1"},{"id":"2"},{"id":"3"}])").cutMidBody(), 0,
            0ms },
        { "never answers", Reply::hang(), 0, 0ms },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        server.answerAll(c.reply);
        const qsizetype alertsBefore = alerts.shown().size();
        const auto started = std::chrono::steady_clock::now();
        const ApiResult result = run({ Endpoint::PersonalStream });
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, 3s);
        EXPECT_FALSE(result.succeeded());
        EXPECT_FALSE(result.hasJson());
        if (c.status == 0) {
            EXPECT_EQ(result.status, 0);
            EXPECT_FALSE(result.errorString.isEmpty());
        } else {
            EXPECT_TRUE(result.body.isEmpty());
        }
        ASSERT_EQ(alerts.shown().size(), alertsBefore + 1);
        EXPECT_EQ(alerts.shown().last().message, u"Unable to fetch stream."_qs);
        server.answerAll(Reply::json(200, "[]"));
        EXPECT_TRUE(run({ Endpoint::PersonalStream }).succeeded());
    }
    // Nobody listening at all.
    api.setApiBase(u"http://127.0.0.1:%1/stream/0"_qs.arg(ScriptedHttpServer::unusedPort()));
    EXPECT_EQ(run({ Endpoint::User, u"1"_qs }).status, 0);
    EXPECT_EQ(alerts.shown().last().message, u"Unable to load user."_qs);
}

TEST_F(ApiClientTest, ARedirectWithinTheServiceIsFollowedOneToAnotherHostNeverCarriesTheToken)
{
    ScriptedHttpServer elsewhere;
    const QByteArray away = (elsewhere.origin() + u"/steal"_qs).toUtf8();
    server.setHandler([&](const Request &request) {
        if (request.target.endsWith("/users/me"))
            return Reply::redirect(QByteArrayLiteral("/stream/0/users/5"));
        if (request.target.endsWith("/users/6"))
            return Reply::redirect(away);
        return Reply::json(200, QByteArrayLiteral(R"({"id":"5","username":"five"})"));
    });
    const ApiResult followed = run({ Endpoint::CurrentUser });
    EXPECT_TRUE(followed.succeeded());
    EXPECT_EQ(followed.jsonObject().value(u"id"_qs).toString(), u"5"_qs);
    EXPECT_FALSE(run({ Endpoint::User, u"6"_qs }).succeeded());
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    EXPECT_EQ(alertMessages(), QStringList { u"Unable to load user."_qs });
}

TEST_F(ApiClientTest, AGoneOwnerGetsNoCompletionNoAlertAndTheRequestIsAborted)
{
    server.answerAll(Reply::hang());
    auto owner = std::make_unique<QObject>();
    bool called = false;
    api.send({ Endpoint::PersonalStream }, owner.get(), [&](const ApiResult &) { called = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requests().size() == 1; }));
    owner.reset();
    EXPECT_TRUE(testsupport::waitUntil([&] { return server.connectionsClosedByClient() == 1; }));
    testsupport::waitUntil([] { return false; }, 100ms);
    EXPECT_FALSE(called);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ApiClientTest, AnOwnerGoneDuringTheAlertMissesTheCompletion)
{
    server.answerAll(Reply::json(500, {}));
    auto *owner = new QObject;
    bool called = false;
    // The alert is modal; the window that asked may be closed meanwhile.
    struct ClosingPresenter : AlertPresenter {
        QObject *owner;
        int present(const Alert &) override
        {
            delete owner;
            return 0;
        }
    };
    auto presenter = std::make_unique<ClosingPresenter>();
    presenter->owner = owner;
    alerts::setPresenter(std::move(presenter));
    api.send({ Endpoint::PersonalStream }, owner, [&](const ApiResult &) { called = true; });
    EXPECT_TRUE(testsupport::waitUntil([&] { return !server.requests().isEmpty(); }));
    testsupport::waitUntil([] { return false; }, 200ms);
    EXPECT_FALSE(called);
}

} // namespace
