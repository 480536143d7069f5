// Signing in on the sandbox's own page in the real web view, with the
// service's latency, and what the window shows when the page cannot be had.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/AuthWindow.h"
#include "app/RefreshScheduler.h"
#include "app/SignInController.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/Account.h"
#include "service/SignIn.h"
#include "service/StreamLoader.h"

#include <QApplication>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto pageWait = 20s;

class SignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        testsupport::prepareSignedInProfile(sandbox);
        Preferences::standard().setValue(prefs::isUserAuthDone, false);
        Preferences::standard().remove(prefs::accessToken);
        Relaunch::setRestartHandler([this] { ++restarts; });
        delegate = std::make_unique<AppDelegate>();
    }
    void TearDown() override
    {
        delegate.reset();
        Relaunch::setRestartHandler({});
        Preferences::resetStandard();
    }

    AuthWindow *window() const { return delegate->authWindow(); }
    QString pageTitle() const { return window()->webView()->page()->title(); }
    bool waitForTitle(const QString &title)
    {
        return testsupport::waitUntil([&] { return pageTitle() == title; }, pageWait);
    }
    void fillAndSend(const QString &password, const QString &button)
    {
        window()->webView()->page()->runJavaScript(
            QStringLiteral("document.getElementById('password').value = '%1';"
                           "document.getElementById('%2').click();")
                .arg(password, button));
    }

    void clickRetry()
    {
        for (QPushButton *button : window()->findChildren<QPushButton *>()) {
            if (button->text() == u"Retry" && button->isVisible()) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no Retry button is shown";
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
    int restarts = 0;
};

const QString formTitle = QStringLiteral("Sign in to the stream");

TEST_F(SignInTest, SigningInOnTheServicesPageStoresATokenItAcceptsAndTheNextStartIsSignedIn)
{
    delegate->awakeFromNib();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    // The page takes its time: the window says it is loading meanwhile.
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isShowingProgress(); }, pageWait));
    ASSERT_TRUE(waitForTitle(formTitle)) << pageTitle().toStdString();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window()->isShowingProgress(); }));

    // What the page was asked for: the four parameters on the site's address.
    bool askedWithParameters = false;
    for (const QJsonValue &r : sandbox.requests()) {
        const QJsonObject request = r.toObject();
        if (request.value(u"path").toString() == u"/oauth/authenticate"
            && request.value(u"method").toString() == u"GET")
            askedWithParameters = request.value(u"query").toString().contains(
                u"scope=stream%20email%20write_post%20follow%20messages%20export");
    }
    EXPECT_TRUE(askedWithParameters);

    fillAndSend(QStringLiteral("demo"), QStringLiteral("allow"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return restarts == 1; }, pageWait));
    EXPECT_TRUE(window()->ignoresErrors());
    EXPECT_FALSE(window()->isShowingFailure());

    // Written to disk before the restart.
    Preferences::resetStandard();
    const QString token = Preferences::standard().value(prefs::accessToken).value_or(QString());
    ASSERT_FALSE(token.isEmpty());
    EXPECT_TRUE(Preferences::standard().value(prefs::isUserAuthDone));
    const auto me = sandbox.request(
        "GET", "/stream/0/users/me", {}, { { "Authorization", "Bearer " + token.toUtf8() } });
    EXPECT_EQ(me.status, 200);
    EXPECT_EQ(me.json().value(u"username").toString(), u"demo");
    QTest::qWait(300);
    EXPECT_EQ(restarts, 1);

    // The new start: the main window and the stream, no web view at all.
    delegate.reset();
    delegate = std::make_unique<AppDelegate>();
    QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
    delegate->awakeFromNib();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(delegate->account().accessToken(), token);
    ASSERT_TRUE(loaded.wait(15000));
    EXPECT_TRUE(loaded.first().at(0).toBool());
}

TEST_F(SignInTest, AWrongPasswordShowsTheServicesWordAndARefusalSaysSoWithRetry)
{
    delegate->awakeFromNib();
    ASSERT_TRUE(waitForTitle(formTitle));

    // The service answers 401 with its form and a message: that page is shown.
    fillAndSend(QStringLiteral("wrong"), QStringLiteral("allow"));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            QString text;
            window()->webView()->page()->toPlainText([&](const QString &t) { text = t; });
            QTest::qWait(50);
            return text.contains(u"Wrong user name or password.");
        },
        pageWait));
    EXPECT_FALSE(window()->isShowingFailure());

    // Deny: the service sends the user back without a token.
    fillAndSend(QString(), QStringLiteral("deny"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"not given access"))
        << window()->failureMessage().toStdString();
    EXPECT_EQ(restarts, 0);
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));

    clickRetry();
    EXPECT_FALSE(window()->isShowingFailure());
    EXPECT_TRUE(waitForTitle(formTitle));
}

TEST_F(SignInTest, APageThatCannotBeHadShowsAPlainMessageAndRetryGetsItOnceItCan)
{
    // A 500 from the service: a message naming it, then Retry gets the form.
    ASSERT_TRUE(sandbox.injectFault(QStringLiteral("/oauth/authenticate"), 500));
    delegate->awakeFromNib();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"answered 500"))
        << window()->failureMessage().toStdString();
    EXPECT_FALSE(window()->isShowingProgress());
    clickRetry();
    ASSERT_TRUE(waitForTitle(formTitle));

    // An answer that trickles in: the window gives up and says so.
    ASSERT_TRUE(sandbox.injectTrickle(QStringLiteral("/oauth/authenticate"), 5000));
    window()->setLoadTimeout(2s);
    window()->webView()->page()->triggerAction(QWebEnginePage::Reload);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"did not load in time"))
        << window()->failureMessage().toStdString();
}

TEST_F(SignInTest, ASiteNobodyAnswersShowsAMessageWithoutTheEnginesInternals)
{
    // A port nothing listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    OutsideAddresses addresses = OutsideAddresses::current();
    addresses.siteBase = QStringLiteral("http://127.0.0.1:%1").arg(port);
    OutsideAddresses::setCurrent(addresses);

    delegate->awakeFromNib();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    const QString message = window()->failureMessage();
    EXPECT_TRUE(message.contains(u"could not be reached")) << message.toStdString();
    EXPECT_FALSE(message.contains(u"ERR_")) << message.toStdString();
    EXPECT_EQ(restarts, 0);
}

TEST_F(SignInTest, QuitAndClosingTheWindowEndTheProgramWhileSignedOut)
{
    delegate->awakeFromNib();
    ASSERT_TRUE(waitForTitle(formTitle));
    QSignalSpy quit(delegate->findChild<SignInController *>(), &SignInController::quitRequested);
    ASSERT_TRUE(quit.isValid());

    QApplication::setActiveWindow(window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QWidget *page = window()->webView()->focusProxy();
    ASSERT_NE(page, nullptr);
    page->setFocus();
    // Through the window system, as a typed key comes: the page has the focus.
    QTest::keyClick(window()->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);

    QTest::keyClick(window()->windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 2);
    EXPECT_FALSE(window()->isVisible());
}

TEST_F(SignInTest, SignedOutTheRefreshTimerLoadsNothingAndSaysNothing)
{
    delegate->awakeFromNib();
    ASSERT_TRUE(waitForTitle(formTitle));
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
    EXPECT_FALSE(testsupport::waitUntil(
        [&] { return streamRequests() > 0 || alerts.shown().size() > alertsBefore; }, 3s))
        << streamRequests() << " requests to the service";
}

TEST_F(SignInTest, OnlyARedirectToTheProgramsSchemeWithATokenIsCancelled)
{
    SignInController controller;
    const char *passed[] = { "http://127.0.0.1:1/oauth/authenticate?client_id=x",
        "https://example.com/#access_token=abc", "velto://done", "velto://done#error=access_denied",
        "velto://done#access_token=" };
    for (const char *address : passed)
        EXPECT_TRUE(controller.webViewWillSendRequest(QUrl(QString::fromLatin1(address))))
            << address;
    EXPECT_EQ(restarts, 0);
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));

    EXPECT_FALSE(controller.webViewWillSendRequest(
        QUrl(QStringLiteral("velto://done#access_token=tok&x=1"))));
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(Preferences::standard().value(prefs::accessToken), QStringLiteral("tok&x=1"));
    EXPECT_TRUE(Preferences::standard().value(prefs::isUserAuthDone));
}

TEST_F(SignInTest, AStartWithATokenTheServiceRefusesAsksOnceToSignInAgain)
{
    testsupport::prepareSignedInProfile(sandbox);
    Preferences::standard().setValue(prefs::accessToken, QStringLiteral("cut-tok"));
    SignIn::forgetSignInQuestion();
    delegate = std::make_unique<AppDelegate>();
    QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
    alerts.answerNext(0); // Sign In Again
    delegate->awakeFromNib();
    ASSERT_TRUE(loaded.wait(15000));
    EXPECT_FALSE(loaded.first().at(0).toBool());
    // users/me is refused as well; both answers have come once the restart is asked for.
    ASSERT_TRUE(testsupport::waitUntil([&] { return restarts == 1; }));
    QTest::qWait(1000);

    QStringList titles;
    for (const Alert &alert : alerts.shown())
        titles << alert.title;
    EXPECT_EQ(titles, QStringList { QStringLiteral("Sign-In No Longer Valid") });
    EXPECT_EQ(restarts, 1);
    Preferences::resetStandard();
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    SignIn::forgetSignInQuestion();
}

TEST_F(SignInTest, RevokingAsksFirstAndCancelChangesNothing)
{
    testsupport::prepareSignedInProfile(sandbox);
    Preferences::standard().setValue(prefs::launchAsAgentApp, true);

    alerts.answerNext(1); // Cancel
    SignInController::revokeCredentials();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"Revoke Credentials");
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(Preferences::standard().value(prefs::accessToken), sandbox.token());
    EXPECT_TRUE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_TRUE(Preferences::standard().value(prefs::launchAsAgentApp));

    alerts.answerNext(0); // Revoke
    SignInController::revokeCredentials();
    EXPECT_EQ(restarts, 1);
    Preferences::resetStandard();
    EXPECT_FALSE(Preferences::standard().value(prefs::accessToken).has_value());
    EXPECT_FALSE(Preferences::standard().value(prefs::isUserAuthDone));
    EXPECT_FALSE(Preferences::standard().value(prefs::launchAsAgentApp));
    // Nothing was sent to the service.
    for (const QJsonValue &r : sandbox.requests())
        EXPECT_FALSE(r.toObject().value(u"method").toString() == u"DELETE");
}

} // namespace
