// The program as a process: the signals of a logout, `kill` and Ctrl+C end
// it the way Quit does, with the data files written and private to the user,
// quickly and whatever is open; and a second start on the same profile
// leaves the first one running alone.
#include "ProgramTest.h"

#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "support/CompletionWords.h"
#include "support/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

// What the program shows when the signal comes.
enum class Showing { FirstPage, FirstPageWithTrayItem, Welcome, PreferencesDamaged };

struct SignalCase {
    int signal;
    Showing showing;
    const char *name;
};

class ProgramProcess : public ProgramTest {
protected:
    void TearDown() override
    {
        for (QProcess *process : { &velto, &second }) {
            process->kill();
            process->waitForFinished();
        }
        ProgramTest::TearDown();
    }
    void start(QProcess &process, const QString &signInProgram = {})
    {
        Preferences::resetStandard(); // the program reads the file itself
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"VELTO_STARTUP_REPORT"_qs, u"1"_qs);
        if (!signInProgram.isEmpty())
            env.insert(u"VELTO_SIGNIN_PROGRAM"_qs, signInProgram);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        // The usual umask, which leaves new folders readable by everyone.
        const mode_t umask = ::umask(022);
        process.start(QStringLiteral(VELTO_BINARY), {});
        ::umask(umask);
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    // Waits for a line of the program's log.
    bool logged(QProcess &process, const QByteArray &text, std::chrono::milliseconds timeout)
    {
        return testsupport::waitUntil(
            [&] {
                output += process.readAll();
                return output.contains(text);
            },
            timeout);
    }

    QProcess velto;
    QProcess second;
    QByteArray output;
};

class TerminationTest : public ProgramProcess, public ::testing::WithParamInterface<SignalCase> { };

TEST_P(TerminationTest, ASignalEndsTheProgramLikeQuitWithItsSavesWithinTwoSeconds)
{
    const QString folder = AppPaths::supportFolder();
    const QString words = folder + QLatin1Char('/') + DataFiles::autocompletionsFileName;
    Preferences &p = Preferences::standard();
    const Showing showing = GetParam().showing;
    const bool behindAlert = showing == Showing::Welcome || showing == Showing::PreferencesDamaged;
    p.setValue(prefs::prefsShowStatusItem, showing == Showing::FirstPageWithTrayItem);
    p.setValue(prefs::firstStartEver, showing != Showing::Welcome);
    if (showing == Showing::PreferencesDamaged) {
        QFile file(Preferences::standardFilePath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("\ncutOf");
    }
    if (behindAlert) {
        // A list the start-up reads before its alert.
        QDir().mkpath(folder);
        CompletionWords list;
        list.load(words);
        ASSERT_TRUE(list.save());
        start(velto);
        ASSERT_TRUE(logged(velto,
            showing == Showing::Welcome ? "alert: Velto Alpha" : "alert: Preferences Damaged", 15s))
            << output.constData();
    } else {
        QFile::remove(words);
        start(velto);
        // Up with its first page on screen; the names are written once the
        // followed users have come, which is after the first page.
        ASSERT_TRUE(logged(velto, "first page painted", 15s)) << output.constData();
        ASSERT_TRUE(testsupport::waitUntil([&] { return QFile::exists(words); }, 15s));
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return QFileInfo(AppPaths::diskCacheFolder()).isDir(); }));
    }
    // Taken away, only the quit's own saving brings the file back.
    ASSERT_TRUE(QFile::remove(words));

    ::kill(pid_t(velto.processId()), GetParam().signal);
    ASSERT_TRUE(velto.waitForFinished(2000)) << QByteArray(output + velto.readAll()).constData();
    EXPECT_EQ(velto.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(velto.exitCode(), 0);

    ASSERT_TRUE(QFile::exists(words));
    EXPECT_EQ(QFile::permissions(words),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    // The pictures in the cache are the user's as much as the data files.
    // (Behind a start-up alert nothing has been fetched, so there is no disk cache yet.)
    QStringList privateFolders { folder, AppPaths::cacheFolder() };
    if (!behindAlert)
        privateFolders << AppPaths::diskCacheFolder();
    for (const QString &privateFolder : std::as_const(privateFolders))
        EXPECT_EQ(QFile::permissions(privateFolder),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                | QFile::WriteUser | QFile::ExeUser)
            << privateFolder.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationTest,
    ::testing::Values(SignalCase { SIGTERM, Showing::FirstPage, "Term" },
        SignalCase { SIGHUP, Showing::FirstPage, "Hangup" },
        SignalCase { SIGINT, Showing::FirstPage, "Interrupt" },
        SignalCase { SIGTERM, Showing::FirstPageWithTrayItem, "TermWithTrayItem" },
        SignalCase { SIGTERM, Showing::Welcome, "TermDuringWelcome" },
        SignalCase { SIGINT, Showing::Welcome, "InterruptDuringWelcome" },
        SignalCase { SIGHUP, Showing::PreferencesDamaged, "HangupDuringPreferencesDamaged" }),
    [](const ::testing::TestParamInfo<SignalCase> &info) { return std::string(info.param.name); });

TEST_F(ProgramProcess, ASecondStartOnTheSameProfileBringsTheFirstForwardAndEnds)
{
    // Signed out, what comes forward is the sign-in window; a stand-in for
    // the sign-in program logs what Velto asks of it.
    const QString standIn = profile.path() + u"/signin-stand-in"_qs;
    QFile script(standIn);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\nwhile read -r request; do echo \"sign-in asked: $request\" >&2; done\n");
    script.close();
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    for (const bool signedIn : { true, false }) {
        SCOPED_TRACE(signedIn ? "signed in" : "signed out");
        Preferences::standard().setValue(prefs::isUserAuthDone, signedIn);
        output.clear();
        // The data folder is made once the first program answers second starts.
        QDir(AppPaths::supportFolder()).removeRecursively();
        start(velto, signedIn ? QString() : standIn);
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return QFileInfo(AppPaths::supportFolder()).isDir(); }, 15s));
        start(second);
        ASSERT_TRUE(second.waitForFinished(10000)) << "two programs run on one profile";
        EXPECT_EQ(second.exitCode(), 0) << second.readAll().constData();
        EXPECT_TRUE(logged(velto, signedIn ? "second start" : "sign-in asked: raise", 5s))
            << output.constData();
        EXPECT_EQ(velto.state(), QProcess::Running);
        ::kill(pid_t(velto.processId()), SIGTERM);
        ASSERT_TRUE(velto.waitForFinished(5000));
    }
}

} // namespace
