// The sign-in program's window on the sandbox's own page in the real web view,
// with the service's latency: the token handed to Velto through the pipe, and
// what the window shows when the page cannot be had.
#include "SandboxServer.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include "service/SignIn.h"
#include "signin/AuthWindow.h"
#include "signin/ParentPipe.h"
#include "signin/SignInPage.h"
#include "signin/SignInSession.h"

#include <QApplication>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The web engine must know the program's scheme before the application exists.
const bool webEnginePrepared = (SignInPage::prepareBeforeApplication(), true);

constexpr auto pageWait = 20s;
const QString formTitle = u"Sign in to the stream"_qs;

class SignInWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(webEnginePrepared);
        ASSERT_TRUE(sandbox.start());
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        open(SignIn::authorisationUrl(sandbox.baseUrl().toString()));
    }
    void TearDown() override
    {
        session.reset();
        pipe.reset();
        for (int fd : { tokenEnd, requestEnd })
            ::close(fd);
    }
    // A session on `page`, its pipe's other ends kept here as Velto's.
    void open(const QUrl &page)
    {
        int token[2], requests[2];
        ASSERT_EQ(::pipe2(token, O_CLOEXEC | O_NONBLOCK), 0);
        ASSERT_EQ(::pipe2(requests, O_CLOEXEC), 0);
        tokenEnd = token[0];
        requestEnd = requests[1];
        pipe = std::make_unique<ParentPipe>(token[1], requests[0]);
        session = std::make_unique<SignInSession>(page, pipe.get());
        QObject::connect(session.get(), &SignInSession::finished,
            [this](int exitCode) { exitCodes << exitCode; });
    }
    // What has reached Velto's end of the pipe so far.
    QByteArray received()
    {
        char buffer[256];
        for (ssize_t n; (n = ::read(tokenEnd, buffer, sizeof buffer)) > 0;)
            sent.append(buffer, n);
        return sent;
    }

    AuthWindow *window() const { return session->window(); }
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

    SandboxServer sandbox;
    std::unique_ptr<ParentPipe> pipe;
    std::unique_ptr<SignInSession> session;
    int tokenEnd = -1;
    int requestEnd = -1;
    QByteArray sent;
    QList<int> exitCodes;
};

TEST_F(SignInWindowTest, SigningInOnTheServicesPageHandsVeltoATokenTheServiceAccepts)
{
    session->start();
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

    fillAndSend(u"demo"_qs, u"allow"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return received().endsWith('\n'); }, pageWait));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !exitCodes.isEmpty(); }));
    EXPECT_EQ(exitCodes, QList<int> { 0 });
    EXPECT_TRUE(window()->ignoresErrors());
    EXPECT_FALSE(window()->isShowingFailure());

    // One line, and a token the service takes.
    const QByteArray token = sent.chopped(1);
    ASSERT_FALSE(token.isEmpty());
    EXPECT_FALSE(token.contains('\n'));
    const auto me = sandbox.request(
        "GET", "/stream/0/users/me", {}, { { "Authorization", "Bearer " + token } });
    EXPECT_EQ(me.status, 200);
    EXPECT_EQ(me.json().value(u"username").toString(), u"demo");
}

TEST_F(SignInWindowTest, AWrongPasswordShowsTheServicesWordAndARefusalSaysSoWithRetry)
{
    session->start();
    ASSERT_TRUE(waitForTitle(formTitle));

    // The service answers 401 with its form and a message: that page is shown.
    fillAndSend(u"wrong"_qs, u"allow"_qs);
    // The page's text comes back later: each poll reads what the last one brought.
    const auto text = std::make_shared<QString>();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            window()->webView()->page()->toPlainText([text](const QString &t) { *text = t; });
            return text->contains(u"Wrong user name or password.");
        },
        pageWait));
    EXPECT_FALSE(window()->isShowingFailure());

    // Deny: the service sends the user back without a token.
    fillAndSend(QString(), u"deny"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"not given access"))
        << window()->failureMessage().toStdString();
    EXPECT_TRUE(received().isEmpty());
    EXPECT_TRUE(exitCodes.isEmpty());

    clickRetry();
    EXPECT_FALSE(window()->isShowingFailure());
    EXPECT_TRUE(waitForTitle(formTitle));
}

TEST_F(
    SignInWindowTest, APageThatCannotBeHadShowsAPlainMessageAndRetryGetsItOnceItCanOrNobodyAnswers)
{
    // A 500 from the service: a message naming it, then Retry gets the form.
    ASSERT_TRUE(sandbox.injectFault(u"/oauth/authenticate"_qs, 500));
    session->start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"answered 500"))
        << window()->failureMessage().toStdString();
    EXPECT_FALSE(window()->isShowingProgress());
    clickRetry();
    ASSERT_TRUE(waitForTitle(formTitle));

    // An answer that trickles in: the window gives up and says so.
    ASSERT_TRUE(sandbox.injectTrickle(u"/oauth/authenticate"_qs, 5000));
    window()->setLoadTimeout(2s);
    window()->webView()->page()->triggerAction(QWebEnginePage::Reload);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    EXPECT_TRUE(window()->failureMessage().contains(u"did not load in time"))
        << window()->failureMessage().toStdString();

    // A site nobody answers: a message without the engine's internals.
    session.reset();
    open(SignIn::authorisationUrl(u"http://127.0.0.1:%1"_qs.arg(ScriptedHttpServer::unusedPort())));
    session->start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return window()->isShowingFailure(); }, pageWait));
    const QString message = window()->failureMessage();
    EXPECT_TRUE(message.contains(u"could not be reached")) << message.toStdString();
    EXPECT_FALSE(message.contains(u"ERR_")) << message.toStdString();
    EXPECT_TRUE(exitCodes.isEmpty());
}

TEST_F(SignInWindowTest, QuitAndClosingTheWindowEndTheSignIn)
{
    session->start();
    ASSERT_TRUE(waitForTitle(formTitle));
    QApplication::setActiveWindow(window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QWidget *page = window()->webView()->focusProxy();
    ASSERT_NE(page, nullptr);
    page->setFocus();
    // Through the window system, as a typed key comes: the page has the focus.
    QTest::keyClick(window()->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(exitCodes, QList<int> { 0 });

    QTest::keyClick(window()->windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(exitCodes, (QList<int> { 0, 0 }));
    EXPECT_FALSE(window()->isVisible());
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(SignInWindowTest, OnlyARedirectToTheProgramsSchemeWithATokenIsCancelledAndHandedOverOnce)
{
    const char *passed[] = { "http://127.0.0.1:1/oauth/authenticate?client_id=x",
        "https://example.com/#access_token=abc", "velto://done", "velto://done#error=access_denied",
        "velto://done#access_token=" };
    for (const char *address : passed)
        EXPECT_TRUE(session->willSendRequest(QUrl(QString::fromLatin1(address)))) << address;
    EXPECT_TRUE(received().isEmpty());
    EXPECT_TRUE(exitCodes.isEmpty());

    for (int time = 0; time < 2; ++time)
        EXPECT_FALSE(session->willSendRequest(QUrl(u"velto://done#access_token=tok&x=1"_qs)));
    EXPECT_EQ(received(), "tok&x=1\n");
    EXPECT_EQ(exitCodes, QList<int> { 0 });
    EXPECT_TRUE(window()->ignoresErrors());
}

TEST_F(SignInWindowTest, VeltoCanAskForTheWindowAndItsGoingEndsTheSignIn)
{
    session->start();
    window()->hide();
    // A request may come in pieces.
    ASSERT_EQ(::write(requestEnd, "rai", 3), 3);
    ASSERT_EQ(::write(requestEnd, "se\n", 3), 3);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window()->isVisible(); }));
    EXPECT_TRUE(exitCodes.isEmpty());

    ::close(requestEnd);
    requestEnd = -1;
    EXPECT_TRUE(testsupport::waitUntil([&] { return !exitCodes.isEmpty(); }));
    EXPECT_EQ(exitCodes, QList<int> { 0 });

    // A token caught once Velto has gone reaches nobody: said, not a crash.
    std::signal(SIGPIPE, SIG_IGN);
    ::close(tokenEnd);
    tokenEnd = -1;
    EXPECT_FALSE(pipe->sendToken(u"tok"_qs));
}

} // namespace
