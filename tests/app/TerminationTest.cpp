// The program as a process: the signals of a logout, `kill` and Ctrl+C end it
// the way Quit does, with the data files written and private to the user.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "support/DataFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class TerminationTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::prepareSignedInProfile(sandbox);
        Preferences::resetStandard(); // the program reads the file itself
    }
    void TearDown() override { Preferences::resetStandard(); }

    QTemporaryDir profile;
    SandboxServer sandbox;
};

TEST_P(TerminationTest, ASignalEndsTheProgramLikeQuitWithItsSaves)
{
    const QString folder = AppPaths::supportFolder();
    const QString words = folder + QLatin1Char('/') + DataFiles::autocompletionsFileName;
    QFile::remove(words);

    QProcess velto;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    velto.setProcessEnvironment(env);
    velto.setProcessChannelMode(QProcess::MergedChannels);
    // The usual umask, which leaves new folders readable by everyone.
    const mode_t umask = ::umask(022);
    velto.start(QStringLiteral(VELTO_BINARY), {});
    ::umask(umask);
    ASSERT_TRUE(velto.waitForStarted(10000));
    // Up and showing its first page: the folder is made at start.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return QFileInfo(folder).isDir(); }, std::chrono::seconds(15)));
    // The names are written once the followed users have come; taken away
    // again, only the quit's own saving brings the file back.
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return QFile::exists(words); }, std::chrono::seconds(15)));
    QTest::qWait(300);
    ASSERT_TRUE(QFile::remove(words));
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return QFileInfo(AppPaths::diskCacheFolder()).isDir(); }));

    ::kill(pid_t(velto.processId()), GetParam());
    ASSERT_TRUE(velto.waitForFinished(10000)) << velto.readAll().constData();
    EXPECT_EQ(velto.exitStatus(), QProcess::NormalExit) << velto.readAll().constData();
    EXPECT_EQ(velto.exitCode(), 0);

    ASSERT_TRUE(QFile::exists(words));
    EXPECT_EQ(QFile::permissions(words),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    // The pictures in the cache are the user's as much as the data files.
    for (const QString &privateFolder :
        { folder, AppPaths::cacheFolder(), AppPaths::diskCacheFolder() })
        EXPECT_EQ(QFile::permissions(privateFolder),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                | QFile::WriteUser | QFile::ExeUser)
            << privateFolder.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
    [](const ::testing::TestParamInfo<int> &info) {
        return info.param == SIGTERM ? std::string("Term")
            : info.param == SIGHUP   ? std::string("Hangup")
                                     : std::string("Interrupt");
    });

} // namespace
