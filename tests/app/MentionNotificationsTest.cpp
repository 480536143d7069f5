// New mentions reaching the desktop, against the sandbox with latency: the
// notification's title and text, the click that shows the mentions, no
// mention announced twice (overlapping checks, a restart between checks),
// and the real notification server on the test's private session bus.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/RefreshScheduler.h"
#include "app/StatusItem.h"
#include "core/Preferences.h"
#include "platform/DesktopNotifier.h"
#include "service/MentionCheck.h"
#include "service/MentionCounter.h"
#include "service/StreamLoader.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// Hears the launcher badge's signal on the session bus.
class BadgeListener : public QObject {
    Q_OBJECT
public:
    BadgeListener()
    {
        connected = QDBusConnection::sessionBus().connect(QString(),
            u"/com/canonical/unity/launcherentry/velto"_qs, u"com.canonical.Unity.LauncherEntry"_qs,
            u"Update"_qs, this, SLOT(update(QString, QVariantMap)));
    }
    bool connected = false;
    QList<qint64> counts;
public Q_SLOTS:
    void update(const QString &app, const QVariantMap &properties)
    {
        if (app == u"application://velto.desktop")
            counts.append(properties.value(u"count"_qs).toLongLong());
    }
};

struct Shown {
    uint id;
    QString title;
    QString body;
    bool offersReply;
};

class RecordingNotifier : public DesktopNotifier {
public:
    void notify(const QString &title, const QString &body, bool, std::function<void(uint)> done,
        bool offerReply) override
    {
        shown.append({ next, title, body, offerReply });
        if (done)
            done(next);
        ++next;
    }
    void close(uint id) override { closed.append(id); }
    void click(uint id) { Q_EMIT activated(id); }
    void chooseReply(uint id) { Q_EMIT replyChosen(id); }

    QList<Shown> shown;
    QList<uint> closed;
    uint next = 1;
};

class MentionNotificationsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        auto owned = std::make_unique<RecordingNotifier>();
        notifier = owned.get();
        DesktopNotifier::setCurrent(std::move(owned));
        ProgramTest::SetUp();
        Preferences::standard().setValue(prefs::prefsShowInNC, true);
        Preferences::standard().setValue(prefs::prefsShowStatusItem, true);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        DesktopNotifier::setCurrent(nullptr);
    }
    // One check, waited for, that leaves after what the test did: a check
    // still on its way (the timer's) would take the place of this one and miss it.
    void check()
    {
        const auto idle = [&] { return !delegate->mentionCheck().isChecking(); };
        ASSERT_TRUE(testsupport::waitUntil(idle, 10s));
        delegate->mentionCheck().loadMentionsForNotifications();
        ASSERT_TRUE(testsupport::waitUntil(idle, 10s));
    }

    RecordingNotifier *notifier = nullptr;
};

TEST_F(MentionNotificationsTest,
    ANewMentionIsAnnouncedOnceItsReplyOpensTheComposerAndItsClickShowsTheMentions)
{
    check(); // learns where the mentions stand
    EXPECT_TRUE(notifier->shown.isEmpty());
    const QJsonObject mention = sandbox.postMention(u"alice"_qs, u"lunch at noon, @demo?"_qs);

    ASSERT_TRUE(sandbox.clearRequests());
    delegate->mentionCheck().loadMentionsForNotifications();
    delegate->mentionCheck().loadMentionsForNotifications(); // the next tick, too early
    ASSERT_TRUE(testsupport::waitUntil([&] { return !notifier->shown.isEmpty(); }, 10s));
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/me/mentions"_qs), 1);
    ASSERT_EQ(notifier->shown.size(), 1);
    EXPECT_EQ(notifier->shown.at(0).title, u"@alice (Alice Moreau)"_qs);
    EXPECT_EQ(notifier->shown.at(0).body, u"lunch at noon, @demo?"_qs);
    EXPECT_TRUE(notifier->shown.at(0).offersReply);
    EXPECT_EQ(delegate->mentions().internNotificationCount(), 1u);
    ASSERT_TRUE(delegate->statusItem().exists());
    EXPECT_EQ(delegate->statusItem().pictureName(), u"status_off_blue"_qs);

    // Reply on the notification: the composer on that mention.
    notifier->chooseReply(notifier->shown.at(0).id);
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(window().composerText().startsWith(u"@alice"))
        << window().composerText().toStdString();
    EXPECT_EQ(delegate->composer().replyOrQuoteID(), mention.value(u"id"_qs).toString());
    EXPECT_TRUE(notifier->closed.contains(notifier->shown.at(0).id));

    // A restart between checks announces nothing again.
    delegate.reset();
    start();
    check();
    EXPECT_EQ(notifier->shown.size(), 1);

    sandbox.postMention(u"carol"_qs, u"@demo again"_qs);
    check();
    ASSERT_EQ(notifier->shown.size(), 2);
    QSignalSpy loaded(&delegate->streams(), &StreamLoader::streamLoadFinished);
    notifier->click(notifier->shown.at(1).id);
    ASSERT_TRUE(loaded.wait(15000));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Mentions);
    EXPECT_EQ(delegate->mentions().internNotificationCount(), 0u);
    EXPECT_EQ(delegate->statusItem().pictureName(), u"status_off"_qs);
    EXPECT_TRUE(notifier->closed.contains(notifier->shown.at(1).id));
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(MentionNotificationsTest,
    ManyAtOnceShowAFewTheTimerChecksAndTheSwitchesDecideWhatIsShownAndClosed)
{
    BadgeListener badge;
    check();
    sandbox.postMentions(40, u"bob_t"_qs);
    check();
    ASSERT_EQ(notifier->shown.size(), 6);
    EXPECT_EQ(notifier->shown.last().body, u"35 more new mentions"_qs);
    EXPECT_EQ(delegate->mentions().numberOfNewNotifications(), u"40"_qs);
    EXPECT_EQ(window().mentionCountText(), u"@ 40"_qs);
    // The test command runs with a private session bus: the badge goes out there.
    ASSERT_TRUE(badge.connected);
    ASSERT_TRUE(testsupport::waitUntil([&] { return badge.counts.contains(40); }));

    sandbox.postMention(u"alice"_qs, u"@demo one"_qs);
    sandbox.postMention(u"bob_t"_qs, u"@demo two"_qs);
    // The check the timer makes, its interval shortened.
    QTimer *timer = delegate->scheduler().notificationTimer();
    ASSERT_NE(timer, nullptr);
    const int interval = timer->interval();
    timer->start(20);
    ASSERT_TRUE(testsupport::waitUntil([&] { return notifier->shown.size() == 8; }, 10s));
    timer->start(interval);

    // "Remove all": a click on one closes every notification shown.
    Preferences::standard().setValue(prefs::prefsRemoveAllNotifications, true);
    ASSERT_TRUE(waitForLoad([&] { notifier->click(notifier->shown.at(7).id); }));
    for (const Shown &shown : std::as_const(notifier->shown))
        EXPECT_TRUE(notifier->closed.contains(shown.id)) << shown.body.toStdString();

    // Off, "show them while Velto is in front" holds them back while it is.
    Preferences::standard().setValue(prefs::prefsShowInNC, false);
    window().show();
    QApplication::setActiveWindow(delegate->window());
    ASSERT_TRUE(testsupport::waitUntil([&] { return window().isActiveWindow(); }));
    sandbox.postMention(u"carol"_qs, u"@demo three"_qs);
    check();
    EXPECT_EQ(notifier->shown.size(), 8);
    EXPECT_EQ(delegate->mentions().internNotificationCount(), 1u) << "the check saw it";
}

TEST(FreedesktopNotifications, TheServerOnTheSessionBusTakesOne)
{
    // The test command gives a session bus and a display; the setup installs dunst.
    const QString dunst = QStandardPaths::findExecutable(u"dunst"_qs);
    ASSERT_FALSE(dunst.isEmpty());
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    QProcess server;
    server.start(dunst, {});
    ASSERT_TRUE(server.waitForStarted());
    ASSERT_TRUE(testsupport::waitUntil([] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(
            u"org.freedesktop.Notifications"_qs);
    }));
    FreedesktopNotifier notifier;
    std::optional<uint> id;
    notifier.notify(u"@alice (Alice)"_qs,
        u"Tom & <b>Jerry</b> <img src=\"http://example.com/x.png\">"_qs, true,
        [&](uint shown) { id = shown; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return id.has_value(); }));
    EXPECT_GT(*id, 0u);
    notifier.close(*id);
    // The server reads the body as markup: it must have been sent the post's text escaped.
    QString body;
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QProcess history;
        history.start(u"dunstctl"_qs, { u"history"_qs });
        history.waitForFinished(5000);
        const QJsonValue closed
            = QJsonDocument::fromJson(history.readAllStandardOutput()).object()[u"data"][0][0];
        body = closed[u"body"][u"data"].toString();
        return !body.isEmpty();
    }));
    EXPECT_EQ(body,
        QStringLiteral("Tom &amp; &lt;b&gt;Jerry&lt;/b&gt; &lt;img "
                       "src=\"http://example.com/x.png\"&gt;"));
    server.terminate();
    server.waitForFinished();
}

} // namespace

#include "MentionNotificationsTest.moc"
