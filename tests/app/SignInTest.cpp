// Signing in and out as Velto sees it: what it says when the sign-in program
// is missing or ends early, nothing loaded while signed out, a token the
// service refuses, and revoking. (The keyring test walks a whole sign-in.)
#include "ProgramTest.h"
#include "ScriptedHttpServer.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/RefreshScheduler.h"
#include "app/SignInController.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/SignIn.h"
#include "service/StreamLoader.h"
#include "support/PostStore.h"

#include <QFile>
#include <QJsonObject>
#include <QSignalSpy>

#include <csignal>
#include <memory>

using namespace std::chrono_literals;

namespace {

class SignInTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        Preferences::standard().setValue(prefs::isUserAuthDone, false);
        Preferences::standard().remove(prefs::accessToken);
        Relaunch::setRestartHandler([this] { ++restarts; });
        delegate = std::make_unique<AppDelegate>();
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        Relaunch::setRestartHandler({});
        qputenv("VELTO_SIGNIN_PROGRAM", VELTO_SIGNIN_BINARY);
    }
    SignInController &signIn() const { return delegate->signIn(); }

    int restarts = 0;
};

TEST_F(SignInTest, ASignInProgramThatIsMissingOrEndsEarlySaysSoOrQuits)
{
    const QString missing = profile.path() + u"/nowhere/velto-signin"_qs;
    const struct {
        QString program;
        QString title; // of the alert; none when empty
        QStringList buttons;
    } cases[] = {
        { missing, u"Cannot Sign In"_qs, { u"Quit"_qs } },
        { u"/bin/false"_qs, u"Sign-In Ended"_qs, { u"Retry"_qs, u"Quit"_qs } },
        // The user quit the sign-in: the program ends without a word.
        { u"/bin/true"_qs, QString(), {} },
    };
    for (const auto &c : cases) {
        qputenv("VELTO_SIGNIN_PROGRAM", c.program.toLocal8Bit());
        delegate = std::make_unique<AppDelegate>();
        QSignalSpy quit(&signIn(), &SignInController::quitRequested);
        const qsizetype alertsBefore = alerts.shown().size();
        if (!c.buttons.isEmpty())
            alerts.answerNext(int(c.buttons.size()) - 1); // Quit
        delegate->awakeFromNib();
        ASSERT_TRUE(testsupport::waitUntil([&] { return quit.count() == 1; }))
            << c.program.toStdString();
        ASSERT_EQ(alerts.shown().size(), alertsBefore + !c.title.isEmpty())
            << c.program.toStdString();
        if (!c.title.isEmpty()) {
            const Alert alert = alerts.shown().last();
            EXPECT_EQ(alert.title, c.title);
            EXPECT_EQ(alert.buttons, c.buttons);
            // The missing program is named.
            EXPECT_TRUE(c.program != missing || alert.message.contains(missing))
                << alert.message.toStdString();
        }
        EXPECT_EQ(restarts, 0);
    }
}

TEST_F(SignInTest, SignedOutTheRefreshTimerLoadsNothingAndAKilledSignInProgramIsOfferedAgain)
{
    ScriptedHttpServer site;
    site.route("/oauth/authenticate",
        ScriptedHttpServer::Reply::answer(200,
            "<html><head><title>Sign in</title></head><body>Sign in</body></html>", "text/html"));
    OutsideAddresses addresses = OutsideAddresses::current();
    addresses.siteBase = site.origin();
    OutsideAddresses::setCurrent(addresses);
    QSignalSpy quit(&signIn(), &SignInController::quitRequested);
    delegate->awakeFromNib();

    // Signed out, the refresh timer loads nothing and says nothing.
    ASSERT_TRUE(signIn().isSigningIn());
    ASSERT_TRUE(sandbox.clearRequests());
    const qsizetype alertsBefore = alerts.shown().size();
    auto streamRequests = [&] {
        int count = 0;
        for (const QJsonValue &request : sandbox.requests())
            count += request.toObject().value(u"path"_qs).toString().startsWith(u"/stream/");
        return count;
    };
    // Two refresh periods pass.
    QSignalSpy due(&delegate->scheduler(), &RefreshScheduler::refreshDue);
    for (int period = 1; period <= 2; ++period) {
        delegate->scheduler().currentRefreshTimer()->setInterval(50);
        ASSERT_TRUE(testsupport::waitUntil([&] { return due.count() == period; }));
    }
    // Whatever the refresh set out to do (a reachability probe) has ended
    // without a load or a word.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate->streams().isRefreshAction(); }));
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
    EXPECT_EQ(alerts.shown().size(), alertsBefore);
    EXPECT_EQ(streamRequests(), 0);
    // The program's alert coming forward again after the sign-in window had
    // the keyboard brings no empty main window over the page.
    delegate->applicationWillResignActive();
    delegate->applicationDidBecomeActive();
    EXPECT_FALSE(window().isVisible());

    // The sign-in program killed while its page shows is offered again.
    for (int page = 1; page <= 2; ++page) {
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return site.hits("/oauth/authenticate") == page; }, 20s));
        alerts.answerNext(page == 1 ? 0 : 1); // Retry, then Quit
        ASSERT_EQ(::kill(pid_t(signIn().processId()), SIGKILL), 0);
        ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == page; }, 10s));
        EXPECT_EQ(alerts.shown().last().title, u"Sign-In Ended");
        EXPECT_EQ(alerts.shown().last().buttons, (QStringList { u"Retry"_qs, u"Quit"_qs }));
    }
    EXPECT_TRUE(testsupport::waitUntil([&] { return quit.count() == 1; }));
    EXPECT_FALSE(signIn().isSigningIn());
    EXPECT_EQ(restarts, 0);
    // Nor when its alert comes forward with no sign-in program running.
    delegate->applicationWillResignActive();
    delegate->applicationDidBecomeActive();
    EXPECT_FALSE(window().isVisible());
}

TEST_F(SignInTest, AStartWithATokenTheServiceRefusesAsksOnceToSignInAgain)
{
    testsupport::prepareSignedInProfile(sandbox);
    Preferences::standard().setValue(prefs::accessToken, u"cut-tok"_qs);
    SignIn::forgetSignInQuestion();
    delegate = std::make_unique<AppDelegate>();
    alerts.answerNext(0); // Sign In Again
    ASSERT_TRUE(waitForLoad([&] { delegate->awakeFromNib(); }, false));
    // users/me is refused as well; both answers have come once the restart is asked for.
    ASSERT_TRUE(testsupport::waitUntil([&] { return restarts == 1; }));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return sandbox.requestCount(u"GET"_qs, u"/stream/0/users/me"_qs) == 1; }));

    QStringList titles;
    for (const Alert &alert : alerts.shown())
        titles << alert.title;
    EXPECT_EQ(titles, QStringList { u"Sign-In No Longer Valid"_qs });
    EXPECT_EQ(restarts, 1);
    Preferences::resetStandard();
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    SignIn::forgetSignInQuestion();
}

TEST_F(SignInTest, RevokingAsksFirstThenForgetsTheSignInAndTheStoredPosts)
{
    testsupport::prepareSignedInProfile(sandbox);
    Preferences::standard().setValue(prefs::launchAsAgentApp, true);
    start();
    ASSERT_TRUE(QFile::exists(PostStore::defaultPath()));

    alerts.answerNext(1); // Cancel changes nothing
    delegate->revokeCredentials();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"Revoke Credentials");
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(Preferences::standard().value(prefs::accessToken), sandbox.token());
    EXPECT_TRUE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_TRUE(Preferences::standard().value(prefs::launchAsAgentApp));
    EXPECT_TRUE(QFile::exists(PostStore::defaultPath()));

    alerts.answerNext(0); // Revoke
    delegate->revokeCredentials();
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(QFile::exists(PostStore::defaultPath()));
    Preferences::resetStandard();
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_FALSE(Preferences::standard().value(prefs::launchAsAgentApp));
    // Nothing was sent to the service.
    for (const QJsonValue &r : sandbox.requests())
        EXPECT_FALSE(r.toObject().value(u"method").toString() == u"DELETE");
}

} // namespace
