// The update check against the sandbox's maker's site, over a slow network:
// the version description, the three outcomes, the release notes and the
// download, silence at start-up, and the once-a-day rule.
#include "SandboxServer.h"
#include "TestSupport.h"

#include "core/Preferences.h"
#include "service/UpdateChecker.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());

class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(home.path());
        ASSERT_TRUE(sandbox.start());
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        testsupport::pointProgramAt(sandbox);
        checker.setClock([this] { return clock; });
    }
    void TearDown() override { Preferences::resetStandard(); }

    QString run(const std::function<void()> &check)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        check();
        if (!finished.wait(15000))
            return u"none"_qs;
        return finished.first().at(0).toString();
    }
    int plistRequests()
    {
        return sandbox.requestCount(
            u"GET"_qs, u"/macpad/%1.plist"_qs.arg(UpdateChecker::bundleIdentifier()));
    }

    QTemporaryDir home;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    testsupport::RecordingOpener opener;
    UpdateChecker checker;
    QDateTime clock = QDateTime(QDate(2026, 6, 1), QTime(12, 0), QTimeZone::utc());
};

TEST(UpdateDescription, TakesTheProductKeysOrTheShortOnesAndMayBeKeyedByTheProgram)
{
    using D = UpdateChecker;
    auto version = [](const QVariantMap &plist) {
        const auto d = D::descriptionFrom(plist);
        return d ? d->version + u'|' + d->url : u"none"_qs;
    };
    EXPECT_EQ(version({ { u"productVersion"_qs, u"2.0"_qs }, { u"productPageURL"_qs, u"u1"_qs } }),
        u"2.0|u1"_qs);
    // One of the pair missing: both come from the short keys.
    EXPECT_EQ(version({ { u"productVersion"_qs, u"2.0"_qs }, { u"version"_qs, u"1.9"_qs },
                  { u"url"_qs, u"u2"_qs } }),
        u"1.9|u2"_qs);
    EXPECT_EQ(version({ { u"productVersion"_qs, u"2.0"_qs } }), u"none"_qs);
    EXPECT_EQ(version({ { D::bundleIdentifier(),
                  QVariantMap { { u"version"_qs, u"3"_qs }, { u"url"_qs, u"u3"_qs } } } }),
        u"3|u3"_qs);
    EXPECT_EQ(version({}), u"none"_qs);
}

TEST_F(UpdateCheckerTest, AnotherVersionOffersTheNotesAndTheDownloadEvenAnOlderOne)
{
    for (const QString &latest : { u"9.0.0"_qs, u"0.0.1"_qs }) {
        ASSERT_TRUE(sandbox.setLatestVersion(latest));
        const qsizetype before = alerts.shown().size();
        EXPECT_EQ(run([&] { checker.checkForUpdates(); }), u"update"_qs) << latest.toStdString();
        ASSERT_EQ(alerts.shown().size(), before + 1);
        const Alert shown = alerts.shown().last();
        EXPECT_EQ(shown.title, u"Update available!"_qs);
        EXPECT_TRUE(shown.message.endsWith(u"Do you want to download the update now?\n"));
        EXPECT_GT(shown.message.size(), 45) << "the release notes come first";
        EXPECT_EQ(shown.buttons, (QStringList { u"Download…"_qs, u"Cancel"_qs }));
    }
    ASSERT_EQ(opener.opened().size(), 2);
    EXPECT_EQ(opener.opened().first().path(), u"/downloads/Velto.zip"_qs);
}

TEST_F(UpdateCheckerTest, UpToDateAndFailuresAreSaidOnlyWhenAskedFor)
{
    ASSERT_TRUE(sandbox.setLatestVersion(UpdateChecker::buildVersion()));
    EXPECT_EQ(run([&] { checker.checkForUpdatesAndNotify(false); }), u"upToDate"_qs);
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_EQ(run([&] { checker.checkForUpdates(); }), u"upToDate"_qs);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"You're Up to Date"_qs);

    ASSERT_TRUE(sandbox.setLatestVersion(QString())); // a description without a version
    EXPECT_EQ(run([&] { checker.checkForUpdatesAndNotify(false); }), u"error"_qs);
    EXPECT_EQ(alerts.shown().size(), 1);
    ASSERT_TRUE(sandbox.injectAnswer(
        u"/macpad/%1.plist"_qs.arg(UpdateChecker::bundleIdentifier()), "not a plist"));
    EXPECT_EQ(run([&] { checker.checkForUpdates(); }), u"error"_qs);
    ASSERT_EQ(alerts.shown().size(), 2);
    EXPECT_EQ(alerts.shown().at(1).title, u"Update Check Failed"_qs);
}

TEST_F(UpdateCheckerTest, AtStartUpItChecksOnceADayAndAChangedSettingChecksAtOnce)
{
    ASSERT_TRUE(sandbox.setLatestVersion(UpdateChecker::buildVersion()));
    // The first start turns the check on and checks.
    EXPECT_EQ(run([&] { checker.awakeFromNib(); }), u"upToDate"_qs);
    EXPECT_TRUE(checker.checkAtStartup());
    EXPECT_EQ(Preferences::standard().value(prefs::updateLastCheckDate),
        QString::number(referenceDate.secsTo(clock)));

    clock = clock.addSecs(UpdateChecker::checkIntervalSeconds);
    ASSERT_TRUE(sandbox.clearRequests());
    checker.awakeFromNib(); // a day has not passed: no request
    clock = clock.addSecs(1);
    EXPECT_EQ(run([&] { checker.awakeFromNib(); }), u"upToDate"_qs);
    EXPECT_EQ(plistRequests(), 1);

    checker.setCheckAtStartup(false);
    EXPECT_EQ(Preferences::standard().value(prefs::updateLastCheckDate), u"0"_qs);
    checker.awakeFromNib();
    checker.setCheckAtStartup(true);
    EXPECT_EQ(run([&] { checker.awakeFromNib(); }), u"upToDate"_qs);
    EXPECT_EQ(plistRequests(), 2);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

} // namespace
