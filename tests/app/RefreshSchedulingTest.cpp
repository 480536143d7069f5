#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/RefreshRules.h"
#include "app/RefreshScheduler.h"
#include "core/Preferences.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<quint64> idleRefreshMoments(quint64 interval, quint64 upTo)
{
    QList<quint64> moments;
    for (quint64 s = 0; s <= upTo; ++s) {
        if (shouldRefreshWhileIdle(s, interval))
            moments.append(s);
    }
    return moments;
}

TEST(RefreshRules, PeriodsForEachPreferenceValue)
{
    EXPECT_EQ(refreshIntervalSeconds(0), 30u);
    EXPECT_EQ(refreshIntervalSeconds(1), 60u);
    EXPECT_EQ(refreshIntervalSeconds(2), 300u);
    EXPECT_EQ(refreshIntervalSeconds(3), 600u);
    EXPECT_EQ(refreshIntervalSeconds(4), 1800u);
    EXPECT_EQ(refreshIntervalSeconds(5), 60u);
    EXPECT_EQ(refreshIntervalSeconds(-1), 60u);
}

TEST(RefreshRules, IdleRefreshFiresWhenQuotientEqualsRemainder)
{
    const QList<quint64> at30 = idleRefreshMoments(30, 5000);
    ASSERT_EQ(at30.size(), 29);
    EXPECT_EQ(at30.first(), 31u);
    EXPECT_EQ(at30.at(1), 62u);
    EXPECT_EQ(at30.at(2), 93u);
    EXPECT_EQ(at30.last(), 899u);

    const QList<quint64> at60 = idleRefreshMoments(60, 10000);
    ASSERT_EQ(at60.size(), 59);
    EXPECT_EQ(at60.first(), 61u);
    EXPECT_EQ(at60.at(1), 122u);
    EXPECT_EQ(at60.last(), 3599u);

    // Never in the first 29 seconds, even where the rule would hold (0 / I == 0 % I).
    EXPECT_FALSE(shouldRefreshWhileIdle(0, 30));
    EXPECT_FALSE(shouldRefreshWhileIdle(29, 30));
}

class RefreshTimersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        Preferences::standard().setValue(prefs::firstStartEver, true);
        Preferences::standard().setValue(prefs::prefsRefreshInterval, 0);
    }
    void TearDown() override { Preferences::resetStandard(); }
    QTemporaryDir profile;
    testsupport::ScriptedAlerts alerts;
};

TEST_F(RefreshTimersTest, SleepStopsTheRefreshAndMentionTimersAndWakeRestartsThem)
{
    AppDelegate delegate;
    delegate.awakeFromNib();
    delegate.scheduler().resetIdleTimer();
    QTimer *before = delegate.scheduler().currentRefreshTimer();
    ASSERT_NE(before, nullptr);

    delegate.scheduler().sleepNotification();
    EXPECT_EQ(delegate.scheduler().currentRefreshTimer(), nullptr);
    EXPECT_EQ(delegate.scheduler().notificationTimer(), nullptr);
    ASSERT_NE(delegate.scheduler().idlePollTimer(), nullptr); // the idle poll keeps running
    EXPECT_TRUE(delegate.scheduler().idlePollTimer()->isActive());

    Preferences::standard().setValue(prefs::prefsRefreshInterval, 2);
    delegate.scheduler().wakeNotification();
    ASSERT_NE(delegate.scheduler().currentRefreshTimer(), nullptr);
    EXPECT_TRUE(delegate.scheduler().currentRefreshTimer()->isActive());
    EXPECT_EQ(delegate.scheduler().currentRefreshTimer()->interval(), 300000);
    // A fresh timer runs the full period again.
    EXPECT_GT(delegate.scheduler().currentRefreshTimer()->remainingTime(), 299000);
    ASSERT_NE(delegate.scheduler().notificationTimer(), nullptr);
    EXPECT_TRUE(delegate.scheduler().notificationTimer()->isActive());
}

TEST_F(RefreshTimersTest, ReplacingATimerNeverLeavesTwoRunning)
{
    AppDelegate delegate;
    delegate.awakeFromNib();
    QPointer<QTimer> first = delegate.scheduler().currentRefreshTimer();
    delegate.scheduler().setRefreshTimer();
    EXPECT_NE(delegate.scheduler().currentRefreshTimer(), first.data());
    EXPECT_TRUE(first.isNull() || !first->isActive());

    // The periodic tick with the window in front only restarts the idle poll.
    delegate.scheduler().setMainWindowIsKey([] { return true; });
    QPointer<QTimer> periodic = delegate.scheduler().currentRefreshTimer();
    delegate.scheduler().refreshCurrentStream();
    EXPECT_EQ(delegate.scheduler().currentRefreshTimer(), periodic.data());
    ASSERT_NE(delegate.scheduler().idlePollTimer(), nullptr);
    EXPECT_EQ(delegate.scheduler().idlePollTimer()->interval(), 1000);

    // In the background the tick refreshes and replaces the periodic timer.
    delegate.scheduler().setMainWindowIsKey([] { return false; });
    delegate.scheduler().refreshCurrentStream();
    EXPECT_NE(delegate.scheduler().currentRefreshTimer(), periodic.data());
}

TEST_F(RefreshTimersTest, IdlePollRestartsOnlyWhenItRefreshes)
{
    AppDelegate delegate;
    delegate.awakeFromNib();
    quint64 idle = 0;
    delegate.scheduler().setSecondsIdle([&idle]() -> std::optional<quint64> { return idle; });
    delegate.scheduler().setMainWindowIsKey([] { return true; });
    delegate.scheduler().resetIdleTimer();

    QPointer<QTimer> poll = delegate.scheduler().idlePollTimer();
    idle = 30; // I = 30: 30 / 30 != 30 % 30
    delegate.scheduler().printIdleTime();
    EXPECT_EQ(delegate.scheduler().idlePollTimer(), poll.data());

    idle = 31;
    delegate.scheduler().printIdleTime();
    EXPECT_NE(delegate.scheduler().idlePollTimer(), poll.data());

    // Not key: no refresh even at a firing moment.
    delegate.scheduler().setMainWindowIsKey([] { return false; });
    poll = delegate.scheduler().idlePollTimer();
    idle = 62;
    delegate.scheduler().printIdleTime();
    EXPECT_EQ(delegate.scheduler().idlePollTimer(), poll.data());

    // A desktop that cannot tell the idle time skips the rule.
    delegate.scheduler().setMainWindowIsKey([] { return true; });
    delegate.scheduler().setSecondsIdle([]() -> std::optional<quint64> { return std::nullopt; });
    delegate.scheduler().printIdleTime();
    EXPECT_EQ(delegate.scheduler().idlePollTimer(), poll.data());
}

} // namespace
