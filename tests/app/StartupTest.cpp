// The program's start without a service: first and later starts, damaged
// preferences and data files, quit, and the refresh timers.
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/RefreshRules.h"
#include "app/RefreshScheduler.h"
#include "app/SignInController.h"
#include "app/WindowCommands.h"
#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "service/Account.h"
#include "service/SavedPostArchive.h"
#include "service/StreamLoader.h"
#include "support/DataFiles.h"
#include "support/PropertyList.h"
#include "text/LinedTextView.h"
#include "views/NoticeBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::pointXdgFoldersAt(profile.path()); }
    void TearDown() override { Preferences::resetStandard(); }

    Preferences &prefs() { return Preferences::standard(); }

    QStringList alertTitles() const
    {
        QStringList titles;
        for (const Alert &a : alerts.shown())
            titles << a.title;
        return titles;
    }

    QTemporaryDir profile;
    testsupport::ScriptedAlerts alerts;
};

TEST_F(StartupTest, FirstStartWithoutAccountShowsSignInAndWritesFirstStartKeys)
{
    AppDelegate delegate;
    QSignalSpy streams(&delegate.streams(), &StreamLoader::loadStateChanged);
    QSignalSpy signIn(&delegate, &AppDelegate::signInStarted);
    delegate.awakeFromNib();

    EXPECT_EQ(alertTitles(), QStringList { u"Velto Alpha"_qs });
    for (auto key : { prefs::firstStartEver, prefs::update042, prefs::update060,
             prefs::prefsEnableGestures, prefs::prefsRestoreSelection })
        EXPECT_TRUE(prefs().value(key)) << key.name;
    EXPECT_EQ(prefs().value(prefs::prefsRefreshInterval), 1);
    EXPECT_EQ(prefs().value(prefs::prefsOnStartLoadStream), 0);
    EXPECT_EQ(prefs().value(prefs::prefsRefreshThreshold), 1);
    // The early-version notice and the follow question wait for a signed-in start.
    EXPECT_FALSE(prefs().value(prefs::alphHint20));
    EXPECT_FALSE(prefs().value(prefs::followVeltoAsked));
    EXPECT_TRUE(delegate.signIn().isSigningIn());
    EXPECT_FALSE(delegate.window()->isVisible());
    EXPECT_EQ(signIn.count(), 1);
    EXPECT_EQ(streams.count(), 0);
    EXPECT_TRUE(QDir(AppPaths::supportFolder()).exists());

    // Timers run before sign-in too.
    ASSERT_NE(delegate.scheduler().currentRefreshTimer(), nullptr);
    EXPECT_EQ(delegate.scheduler().currentRefreshTimer()->interval(), 60000);
    ASSERT_NE(delegate.scheduler().notificationTimer(), nullptr);
    EXPECT_EQ(delegate.scheduler().notificationTimer()->interval(), 27000);
}

TEST_F(StartupTest, SignedInStartsShowTheNoticeOnceAndLoadTheChosenStream)
{
    prefs().setValue(prefs::isUserAuthDone, true);
    prefs().setValue(prefs::accessToken, u"secret"_qs);
    {
        AppDelegate delegate;
        QSignalSpy streams(&delegate.streams(), &StreamLoader::loadStateChanged);
        delegate.awakeFromNib();
        EXPECT_EQ(alertTitles(), (QStringList { u"Velto Alpha"_qs, u"What Alpha Means"_qs }));
        EXPECT_TRUE(
            prefs().value(prefs::followVeltoAsked)); // written at once, not after the question
        EXPECT_EQ(delegate.account().accessToken(), u"secret"_qs);
        ASSERT_EQ(streams.count(), 1);
        EXPECT_EQ(streamKindNumber(delegate.streams().currentStreamKind()), 0u);
        EXPECT_EQ(delegate.streams().loadParameters().value(u"count"_qs), u"20"_qs);
        EXPECT_FALSE(delegate.signIn().isSigningIn());
    }
    // The next start shows no notice and honours the start stream; row 4 is Starred.
    const struct {
        qint64 row;
        quint64 kind;
    } cases[] = { { 4, 8 }, { 2, 2 }, { 3, 3 }, { 9, 0 }, { -1, 0 } };
    for (const auto &c : cases) {
        prefs().setValue(prefs::prefsOnStartLoadStream, c.row);
        prefs().setValue(prefs::prefsStreamCount, 3);
        AppDelegate delegate;
        QSignalSpy streams(&delegate.streams(), &StreamLoader::loadStateChanged);
        delegate.awakeFromNib();
        ASSERT_EQ(streams.count(), 1) << c.row;
        EXPECT_EQ(streamKindNumber(delegate.streams().currentStreamKind()), c.kind) << c.row;
        EXPECT_EQ(delegate.streams().loadParameters().value(u"count"_qs), u"200"_qs);
    }
    EXPECT_EQ(alerts.shown().size(), 2);
}

TEST_F(StartupTest, ACutOffPreferencesFileStartsSignedInAndNamesItsCopyOnce)
{
    const QString path = Preferences::standardFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\naccess_token=secret\nalphHint20=true\nfirstStartEver=true\n"
                   "followVeltoAsked=true\nisUs");
    }
    {
        AppDelegate delegate;
        QSignalSpy streams(&delegate.streams(), &StreamLoader::loadStateChanged);
        delegate.awakeFromNib();
        ASSERT_FALSE(alerts.shown().isEmpty());
        EXPECT_EQ(alerts.shown().first().title, u"Preferences Damaged"_qs);
        ASSERT_TRUE(prefs().damagedFileCopy());
        EXPECT_TRUE(alerts.shown().first().message.contains(*prefs().damagedFileCopy()));
        EXPECT_FALSE(delegate.signIn().isSigningIn()) << "the token survived the cut";
        EXPECT_EQ(streams.count(), 1);
    }
    const qsizetype shownBefore = alerts.shown().size();
    Preferences::resetStandard();
    AppDelegate again;
    again.awakeFromNib();
    EXPECT_FALSE(alertTitles().mid(shownBefore).contains(u"Preferences Damaged"_qs));
}

TEST_F(StartupTest, PreferencesThatCannotBeReadOrWrittenAreSaidAndAreNoFirstStart)
{
    const QString path = Preferences::standardFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    // A folder where the file belongs cannot be read; a file where its
    // folder belongs keeps anything from being written.
    const struct {
        std::function<void()> damage;
        const char *says;
    } cases[] = {
        { [&] { QDir().mkpath(path); }, "cannot be read" },
        { [&] { QFile(folder).open(QIODevice::WriteOnly); }, "cannot be written" },
    };
    for (const auto &c : cases) {
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        c.damage();
        const qsizetype before = alerts.shown().size();
        {
            AppDelegate delegate;
            delegate.awakeFromNib();
            ASSERT_EQ(alertTitles().mid(before), QStringList { u"Preferences Unavailable"_qs })
                << c.says << ": and no welcome";
            EXPECT_TRUE(alerts.shown().last().message.contains(path));
            EXPECT_TRUE(alerts.shown().last().message.contains(QLatin1String(c.says)));
        }
        Preferences::resetStandard();
    }
}

TEST_F(StartupTest, MigrationsOnAnOlderInstallationKeepTheChosenInterval)
{
    prefs().setValue(prefs::firstStartEver, true);
    prefs().setValue(prefs::update042, true);
    prefs().setValue(prefs::prefsRefreshInterval, 4);
    prefs().setValue(prefs::prefsOnStartLoadStream, 3);
    AppDelegate delegate;
    delegate.awakeFromNib();
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_EQ(prefs().value(prefs::prefsRefreshInterval), 4);
    EXPECT_EQ(prefs().value(prefs::prefsOnStartLoadStream), 3); // the first migration ran before
    EXPECT_EQ(prefs().value(prefs::prefsRefreshThreshold), 1);
    EXPECT_TRUE(prefs().value(prefs::prefsRestoreSelection));
    EXPECT_EQ(delegate.scheduler().currentRefreshTimer()->interval(), 1800 * 1000);
}

TEST_F(StartupTest, QuitWritesBothListsAndMissingFilesGiveTheDefaults)
{
    AppDelegate delegate;
    delegate.awakeFromNib();
    ASSERT_TRUE(delegate.account().completionWords().isAvailable());
    EXPECT_EQ(delegate.account().completionWords().words(), QStringList { u"velto"_qs });
    ASSERT_TRUE(delegate.savedPosts().isAvailable());
    EXPECT_EQ(delegate.savedPosts().count(), 0);

    delegate.account().completionWords().setWords({});
    delegate.savedPosts().append(
        PostRecord::fromJson(QJsonObject { { u"id"_qs, u"7"_qs }, { u"text"_qs, u"hi"_qs } }));
    delegate.applicationWillTerminate();

    // An empty word list is still written, as an empty array.
    EXPECT_EQ(
        DataFiles::loadAutocompletions(delegate.account().completionWords().path()), QStringList());
    QFile words(delegate.account().completionWords().path());
    ASSERT_TRUE(words.open(QIODevice::ReadOnly));
    EXPECT_TRUE(words.readAll().contains("<array"));
    const auto saved = DataFiles::loadSavedPosts(delegate.savedPosts().path());
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->size(), 1);
    const auto record = SavedPostArchive::fromArchive(saved->at(0).toMap(), 0);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->id(), u"7"_qs);
}

TEST_F(StartupTest, UnreadableFilesAreLeftExactlyAsTheyWere)
{
    QDir().mkpath(AppPaths::supportFolder());
    const QString wordsPath = AppPaths::supportFolder() + u"/Autocompletions.plist"_qs;
    const QString postsPath = AppPaths::supportFolder() + u"/Saved.mdb"_qs;
    const QByteArray truncated
        = PropertyList::encode(QVariantMap { { u"savedPosts"_qs, QVariantList { 1, 2, 3 } } },
            PropertyList::Format::Binary)
              .left(20);
    const QByteArray garbage("<?xml version=\"1.0\"?><plist><array><string>half");
    for (const auto &[path, bytes] :
        { std::pair { wordsPath, garbage }, std::pair { postsPath, truncated } }) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    const QString draftPath = AppPaths::supportFolder() + u"/Draft.json"_qs;
    const QByteArray draft("{\"text\": \"half");
    QFile draftFile(draftPath);
    ASSERT_TRUE(draftFile.open(QIODevice::WriteOnly));
    draftFile.write(draft);
    draftFile.close();

    AppDelegate delegate;
    delegate.awakeFromNib();
    EXPECT_FALSE(delegate.account().completionWords().isAvailable());
    EXPECT_FALSE(delegate.savedPosts().isAvailable());
    // Said once, beside the list, with each path; nothing modal.
    const NoticeBar *notices = delegate.window()->noticeBar();
    EXPECT_FALSE(notices->isHidden());
    for (const QString &path : { wordsPath, postsPath, draftPath })
        EXPECT_EQ(notices->text().count(path), 1) << path.toStdString();
    EXPECT_FALSE(alertTitles().contains(u"Error!"_qs));
    notices->closeButton()->click();
    EXPECT_TRUE(notices->isHidden());
    // The composer starts empty, and what is written in it leaves the draft alone.
    EXPECT_FALSE(delegate.window()->isComposerOpen());
    delegate.newPost();
    delegate.window()->composer()->setPlainText(u"new text"_qs);
    delegate.applicationWillTerminate();

    for (const auto &[path, bytes] : { std::pair { wordsPath, garbage },
             std::pair { postsPath, truncated }, std::pair { draftPath, draft } }) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), bytes) << path.toStdString();
    }
}

TEST_F(StartupTest, ResigningActiveWithAutoHideKeepsAComposerThatHoldsText)
{
    prefs().setValue(prefs::isUserAuthDone, true);
    prefs().setValue(prefs::prefsAutoHide, true);
    AppDelegate delegate;
    delegate.awakeFromNib();
    EXPECT_FALSE(delegate.windowCommands().canActivateItself());
    delegate.composer().uncollapseSplitView();
    delegate.window()->composer()->setPlainText(u"draft"_qs);
    delegate.applicationWillResignActive();
    EXPECT_TRUE(delegate.windowCommands().canActivateItself());
    EXPECT_TRUE(delegate.window()->isHiddenFromUser());
    EXPECT_TRUE(delegate.window()->isComposerOpen());

    delegate.window()->composer()->clear();
    delegate.applicationWillResignActive();
    EXPECT_FALSE(delegate.window()->isComposerOpen());
}

TEST(RefreshRules, IdleRefreshFiresWhenQuotientEqualsRemainderAfterTheFirst29Seconds)
{
    const struct {
        quint64 interval, count, first, last;
    } cases[] = { { 30, 29, 31, 899 }, { 60, 59, 61, 3599 } };
    for (const auto &c : cases) {
        QList<quint64> moments;
        for (quint64 s = 0; s <= 10000; ++s)
            if (shouldRefreshWhileIdle(s, c.interval))
                moments.append(s);
        ASSERT_EQ(quint64(moments.size()), c.count) << c.interval;
        EXPECT_EQ(moments.first(), c.first);
        EXPECT_EQ(moments.at(1), 2 * c.first);
        EXPECT_EQ(moments.last(), c.last);
    }
    // Never in the first 29 seconds, even where the rule would hold (0 / I == 0 % I).
    EXPECT_FALSE(shouldRefreshWhileIdle(0, 30));
}

TEST_F(StartupTest, TheIdlePollRestartsOnlyWhenItRefreshesSleepStopsTheRefreshTimersAndNoTwoRun)
{
    prefs().setValue(prefs::firstStartEver, true);
    prefs().setValue(prefs::prefsRefreshInterval, 0);
    AppDelegate delegate;
    delegate.awakeFromNib();
    RefreshScheduler &scheduler = delegate.scheduler();

    // The idle poll restarts only when it refreshes.
    std::optional<quint64> idle;
    scheduler.setSecondsIdle([&idle] { return idle; });
    scheduler.resetIdleTimer();
    // I = 30: 30 / 30 != 30 % 30, but 31 / 30 == 31 % 30; only the window
    // in front refreshes; a desktop that cannot tell the idle time skips the rule.
    const struct {
        std::optional<quint64> idle;
        bool key, restarts;
    } steps[] = { { 30, true, false }, { 31, true, true }, { 62, false, false },
        { std::nullopt, true, false } };
    for (const auto &step : steps) {
        idle = step.idle;
        scheduler.setMainWindowIsKey([key = step.key] { return key; });
        QPointer<QTimer> poll = scheduler.idlePollTimer();
        scheduler.printIdleTime();
        EXPECT_EQ(scheduler.idlePollTimer() != poll.data(), step.restarts)
            << step.idle.value_or(0) << (step.key ? " in front" : " behind");
    }

    // Sleep stops the refresh and mention timers and wake restarts them.
    scheduler.resetIdleTimer();
    ASSERT_NE(scheduler.currentRefreshTimer(), nullptr);
    scheduler.sleepNotification();
    EXPECT_EQ(scheduler.currentRefreshTimer(), nullptr);
    EXPECT_EQ(scheduler.notificationTimer(), nullptr);
    ASSERT_NE(scheduler.idlePollTimer(), nullptr); // the idle poll keeps running
    EXPECT_TRUE(scheduler.idlePollTimer()->isActive());

    Preferences::standard().setValue(prefs::prefsRefreshInterval, 2);
    scheduler.wakeNotification();
    ASSERT_NE(scheduler.currentRefreshTimer(), nullptr);
    EXPECT_TRUE(scheduler.currentRefreshTimer()->isActive());
    EXPECT_EQ(scheduler.currentRefreshTimer()->interval(), 300000);
    // A fresh timer runs the full period again.
    EXPECT_GT(scheduler.currentRefreshTimer()->remainingTime(), 299000);
    ASSERT_NE(scheduler.notificationTimer(), nullptr);
    EXPECT_TRUE(scheduler.notificationTimer()->isActive());

    // Replacing a timer never leaves two running.
    QPointer<QTimer> first = scheduler.currentRefreshTimer();
    scheduler.setRefreshTimer();
    EXPECT_NE(scheduler.currentRefreshTimer(), first.data());
    EXPECT_TRUE(first.isNull() || !first->isActive());

    // The periodic tick with the window in front only restarts the idle poll.
    scheduler.setMainWindowIsKey([] { return true; });
    QPointer<QTimer> periodic = scheduler.currentRefreshTimer();
    scheduler.refreshCurrentStream();
    EXPECT_EQ(scheduler.currentRefreshTimer(), periodic.data());
    ASSERT_NE(scheduler.idlePollTimer(), nullptr);
    EXPECT_EQ(scheduler.idlePollTimer()->interval(), 1000);

    // In the background the tick refreshes and replaces the periodic timer.
    scheduler.setMainWindowIsKey([] { return false; });
    scheduler.refreshCurrentStream();
    EXPECT_NE(scheduler.currentRefreshTimer(), periodic.data());
}

} // namespace
