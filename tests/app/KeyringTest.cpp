// The token in a keyring of the test's own (gnome-keyring-daemon on a private
// bus): a sign-in puts it there, the next start reads it, Revoke takes it
// out; a token left in the settings file moves in, and where the keyring
// refuses, is not there or does not answer, the file stays as it was and the
// window says so once.
#include "PrivateKeyring.h"
#include "ProgramTest.h"
#include "ScriptedHttpServer.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/SignInController.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/Account.h"
#include "service/StoredToken.h"
#include "service/StreamLoader.h"
#include "views/NoticeBar.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

const QString noKeyringNotice = u"No keyring answered"_qs;

QStringList &logLines()
{
    static QStringList lines;
    return lines;
}

class KeyringTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        Relaunch::setRestartHandler([this] { ++restarts; });
        logLines().clear();
        previousHandler = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { logLines() << text; });
    }
    void TearDown() override
    {
        qInstallMessageHandler(previousHandler);
        ProgramTest::TearDown();
        Relaunch::setRestartHandler({});
        // The token never reaches the log.
        for (const QString &line : std::as_const(logLines()))
            EXPECT_FALSE(line.contains(sandbox.token())) << line.toStdString();
    }
    QByteArray settingsFile() const
    {
        QFile file(Preferences::standardFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A start of the program on this profile: the window at once, true when
    // its first page came.
    bool restart()
    {
        delegate.reset();
        Preferences::resetStandard();
        delegate = std::make_unique<AppDelegate>();
        QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
        delegate->awakeFromNib();
        EXPECT_TRUE(window().isVisible());
        // A stream chosen before the token is known loads nothing.
        delegate->selectView(1);
        return loaded.wait(20000) && loaded.first().at(0).toBool();
    }

    QtMessageHandler previousHandler = nullptr;
    int restarts = 0;
};

TEST_F(KeyringTest, SignInKeepsTheTokenInTheKeyringTheNextStartReadsItAndRevokeTakesItOut)
{
    testsupport::PrivateKeyring keyring;
    ASSERT_EQ(keyring.problem(), QString());
    Preferences::standard().setValue(prefs::isUserAuthDone, false);
    Preferences::standard().remove(prefs::accessToken);
    // A service that grants access at once, to the real sign-in program.
    ScriptedHttpServer site;
    site.route("/oauth/authenticate",
        ScriptedHttpServer::Reply::redirect(
            "velto://done#access_token=" + sandbox.token().toUtf8()));
    OutsideAddresses addresses = OutsideAddresses::current();
    addresses.siteBase = site.origin();
    OutsideAddresses::setCurrent(addresses);

    delegate = std::make_unique<AppDelegate>();
    QSignalSpy quit(&delegate->signIn(), &SignInController::quitRequested);
    delegate->awakeFromNib();
    EXPECT_TRUE(delegate->signIn().isSigningIn());
    EXPECT_FALSE(window().isVisible());
    ASSERT_TRUE(testsupport::waitUntil([&] { return restarts == 1; }, 20s));
    EXPECT_EQ(site.hits("/oauth/authenticate"), 1);
    // The sign-in program ends by itself, and that is no reason to quit.
    EXPECT_TRUE(testsupport::waitUntil([&] { return !delegate->signIn().isSigningIn(); }, 10s));
    EXPECT_EQ(quit.count(), 0);
    EXPECT_TRUE(alerts.shown().isEmpty());
    const QString key = StoredToken::keyringKey();
    EXPECT_TRUE(key.startsWith(u"127.0.0.1:%1 "_qs.arg(sandbox.port()))) << key.toStdString();
    EXPECT_EQ(keyring.secret(key), sandbox.token());
    EXPECT_FALSE(settingsFile().contains("access_token"));
    EXPECT_TRUE(settingsFile().contains("isUserAuthDone=true"));

    // The restart: the window at once, the page with the keyring's token.
    QElapsedTimer run;
    run.start();
    ASSERT_TRUE(restart());
    EXPECT_FALSE(delegate->signIn().isSigningIn());
    EXPECT_EQ(delegate->account().accessToken(), sandbox.token());
    EXPECT_TRUE(window().noticeBar()->text().isEmpty());

    // Revoke later in the run, past the time limit of the start's read.
    ASSERT_TRUE(testsupport::waitUntil([&] { return run.elapsed() > 10500; }, 12s));
    alerts.answerNext(0); // Revoke
    delegate->revokeCredentials();
    ASSERT_TRUE(testsupport::waitUntil([&] { return restarts == 2; }, 10s));
    EXPECT_EQ(keyring.secret(key), std::nullopt);
    EXPECT_FALSE(settingsFile().contains("access_token"));
    EXPECT_TRUE(settingsFile().contains("isUserAuthDone=false"));
}

TEST_F(KeyringTest, ATokenInTheFileMovesIntoAWorkingKeyringAndStaysWhereNoneTakesIt)
{
    enum class Keyring { Working, Locked, Absent, Silent };
    for (const Keyring kind :
        { Keyring::Working, Keyring::Locked, Keyring::Absent, Keyring::Silent }) {
        SCOPED_TRACE(int(kind));
        testsupport::prepareSignedInProfile(sandbox);
        const QByteArray tokenLine = QByteArray("access_token=").append(sandbox.token().toUtf8());
        ASSERT_TRUE(settingsFile().contains(tokenLine));
        testsupport::PrivateKeyring keyring(kind == Keyring::Absent
                ? testsupport::PrivateKeyring::Daemon::None
                : testsupport::PrivateKeyring::Daemon::Unlocked);
        ASSERT_EQ(keyring.problem(), QString());
        if (kind == Keyring::Locked) {
            ASSERT_TRUE(keyring.lock());
        }
        keyring.pause(kind == Keyring::Silent);

        QElapsedTimer waited;
        waited.start();
        ASSERT_TRUE(restart());
        EXPECT_EQ(delegate->account().accessToken(), sandbox.token());
        const QString notice = window().noticeBar()->text();
        if (kind == Keyring::Working) {
            EXPECT_EQ(keyring.secret(StoredToken::keyringKey()), sandbox.token());
            EXPECT_FALSE(settingsFile().contains("access_token"));
            EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
        } else {
            // The token where it was, and one quiet word about it.
            EXPECT_TRUE(settingsFile().contains(tokenLine));
            EXPECT_EQ(notice.count(noKeyringNotice), 1) << notice.toStdString();
            EXPECT_TRUE(notice.contains(Preferences::standardFilePath()));
            EXPECT_TRUE(alerts.shown().isEmpty());
            // Nothing loaded while the keyring was waited for.
            EXPECT_TRUE(kind != Keyring::Silent || waited.elapsed() >= 10000)
                << logLines().join(u'\n').toStdString();
            // (A keyring that wakes up may still take the write it was sent.)
            if (kind != Keyring::Silent) {
                EXPECT_EQ(keyring.secret(StoredToken::keyringKey()), std::nullopt);
            }
        }
        delegate.reset();
    }
}

TEST_F(KeyringTest, ATokenKeptInAKeyringThatIsGoneLoadsNothingAndTheWindowSaysWhy)
{
    testsupport::PrivateKeyring keyring(testsupport::PrivateKeyring::Daemon::None);
    ASSERT_EQ(keyring.problem(), QString());
    Preferences::standard().remove(prefs::accessToken);
    ASSERT_TRUE(sandbox.clearRequests());
    Preferences::resetStandard();
    delegate = std::make_unique<AppDelegate>();
    delegate->awakeFromNib();
    const NoticeBar *notice = window().noticeBar();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !notice->text().isEmpty(); }));
    EXPECT_TRUE(notice->text().contains(u"cannot read its sign-in"_qs))
        << notice->text().toStdString();
    // Not even a stream chosen now loads, so nothing draws a refusal that
    // would offer to sign in again.
    delegate->selectView(2);
    const auto serviceAsked = [&] {
        for (const QJsonValue &request : sandbox.requests())
            if (request.toObject().value(u"path").toString().startsWith(u"/stream/"))
                return true;
        return false;
    };
    EXPECT_FALSE(
        testsupport::waitUntil([&] { return serviceAsked() || !alerts.shown().isEmpty(); }, 2s));
}

} // namespace
