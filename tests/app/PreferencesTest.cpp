#include "core/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/Velto/Velto.conf"); }
};

TEST_F(PreferencesTest, AbsentKeysReadAsNoZeroAndNone)
{
    Preferences p(path());
    EXPECT_FALSE(p.value(prefs::firstStartEver));
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 0);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 0u);
    EXPECT_FALSE(p.value(prefs::accessToken).has_value());
}

TEST_F(PreferencesTest, ValuesSurviveReopeningAndTheFileIsPrivate)
{
    {
        Preferences p(path());
        p.setValue(prefs::accessToken, QStringLiteral("tok, with=odd;chars"));
        p.setValue(prefs::prefsRefreshInterval, 3);
        p.setValue(prefs::isUserAuthDone, true);
        p.setValue(prefs::hotKeyModifiers, quint64(768));
        p.setValue(prefs::currentHashtag, QString());
    }
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::accessToken), QStringLiteral("tok, with=odd;chars"));
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 3);
    EXPECT_TRUE(p.value(prefs::isUserAuthDone));
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 768u);
    // An empty string is a value, unlike a key never written.
    EXPECT_EQ(p.value(prefs::currentHashtag), QString());
    const auto perms = QFile::permissions(path());
    EXPECT_TRUE(perms.testFlag(QFileDevice::ReadOwner));
    EXPECT_TRUE(perms.testFlag(QFileDevice::WriteOwner));
    for (auto flag : { QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ReadOther,
             QFileDevice::WriteOther })
        EXPECT_FALSE(perms.testFlag(flag));
}

TEST_F(PreferencesTest, WrongTypesReadAsAbsent)
{
    {
        QDir().mkpath(dir.path() + QStringLiteral("/Velto"));
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nprefsRefreshInterval=often\nfirstStartEver=maybe\nupdate042=true\n");
    }
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 0);
    EXPECT_FALSE(p.value(prefs::firstStartEver));
    EXPECT_TRUE(p.value(prefs::update042));
}

TEST_F(PreferencesTest, RemoveMakesAKeyAbsentAgain)
{
    Preferences p(path());
    p.setValue(prefs::meID, QStringLiteral("12"));
    p.remove(prefs::meID);
    EXPECT_FALSE(p.value(prefs::meID).has_value());
}

} // namespace

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList copiesBeside(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().entryList({ info.fileName() + QStringLiteral(".damaged*") }, QDir::Files);
}

// Looks at every file a folder gains or changes, as soon as the kernel says so,
// and remembers any that others could read at that moment. The settings' lock
// file holds only the writer's process id.
class OpenFileWatch {
public:
    explicit OpenFileWatch(const QString &folder)
        : m_folder(folder.toStdString())
        , m_fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(m_fd, m_folder.c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_ATTRIB);
        m_thread = std::thread([this] { run(); });
    }
    ~OpenFileWatch()
    {
        stop();
        ::close(m_fd);
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool sawReadableByOthers() const { return m_sawReadable; }

private:
    void run()
    {
        alignas(inotify_event) char buffer[8192];
        // Events are queued by the writes themselves: once asked to stop, the
        // watch still reads what is queued.
        for (;;) {
            pollfd p { m_fd, POLLIN, 0 };
            if (poll(&p, 1, 5) <= 0) {
                if (m_stop)
                    return;
                continue;
            }
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                struct stat info { };
                if (event->len > 0 && ::stat((m_folder + '/' + event->name).c_str(), &info) == 0
                    && (info.st_mode & 077) != 0 && !QByteArray(event->name).endsWith(".lock"))
                    m_sawReadable = true;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }
    std::string m_folder;
    int m_fd;
    std::atomic_bool m_stop { false };
    std::atomic_bool m_sawReadable { false };
    std::thread m_thread;
};

} // namespace

TEST_F(PreferencesTest, NoFileHoldingTheTokenIsReadableByOthersEvenForAMoment)
{
    const mode_t umask = ::umask(022);
    writeAll(path(), "[General]\n");
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    {
        OpenFileWatch watch(QFileInfo(path()).absolutePath());
        for (int i = 0; i < 20; ++i) {
            writeAll(path(), "[General]\naccess_token=demo-token\nisUser");
            Preferences preferences(path());
            ASSERT_TRUE(preferences.damagedFileCopy());
            preferences.setValue(prefs::firstStartEver, false);
        }
        watch.stop();
        EXPECT_FALSE(watch.sawReadableByOthers());
    }
    ::umask(umask);
}

TEST_F(PreferencesTest, AFileCutShortIsCopiedAsideAndWhatItStillHoldsIsKept)
{
    const QByteArray whole = "[General]\naccess_token=demo-token\nfirstStartEver=true\n"
                             "isUserAuthDone=true\n\n[OutsideAddresses]\napiBase=\"http://a/b\"\n";
    // A write cut off inside the value of the last line.
    const QByteArray cut = whole.left(whole.size() - 6);
    writeAll(path(), cut);
    {
        Preferences preferences(path());
        EXPECT_EQ(preferences.value(prefs::accessToken), QStringLiteral("demo-token"));
        EXPECT_TRUE(preferences.value(prefs::isUserAuthDone));
        ASSERT_TRUE(preferences.damagedFileCopy());
        EXPECT_EQ(readAll(*preferences.damagedFileCopy()), cut);
        EXPECT_EQ(copiesBeside(path()).size(), 1);

        testing::internal::CaptureStderr();
        preferences.setValue(prefs::firstStartEver, false);
        EXPECT_EQ(testing::internal::GetCapturedStderr().find("Cannot write"), std::string::npos);
    }
    Preferences again(path());
    EXPECT_FALSE(again.damagedFileCopy()) << "the rewritten file reads whole";
    EXPECT_EQ(again.value(prefs::accessToken), QStringLiteral("demo-token"));
    EXPECT_FALSE(again.value(prefs::firstStartEver));
}

TEST_F(PreferencesTest, ASurvivingTokenCountsAsSignedInWhenTheFlagWasCutOff)
{
    writeAll(path(), "[General]\naccess_token=demo-token\nfirstStartEver=true\nisUser");
    Preferences preferences(path());
    ASSERT_TRUE(preferences.damagedFileCopy());
    EXPECT_TRUE(preferences.value(prefs::isUserAuthDone));
    EXPECT_TRUE(preferences.value(prefs::firstStartEver));

    writeAll(path(), "[General]\nfirstStartEver=true\nisUser");
    Preferences withoutToken(path());
    ASSERT_TRUE(withoutToken.damagedFileCopy());
    EXPECT_FALSE(withoutToken.value(prefs::isUserAuthDone));
}

TEST_F(PreferencesTest, RandomBytesOrAnEmptyFileAreKeptAsACopyBeforeAnythingIsWritten)
{
    QByteArray noise;
    for (int i = 0; i < 512; ++i)
        noise.append(char((i * 97 + 13) % 256));
    for (const QByteArray &damaged : { noise, QByteArray() }) {
        for (const QString &copy : copiesBeside(path()))
            QFile::remove(QFileInfo(path()).dir().filePath(copy));
        writeAll(path(), damaged);
        Preferences preferences(path());
        ASSERT_TRUE(preferences.damagedFileCopy());
        EXPECT_EQ(readAll(*preferences.damagedFileCopy()), damaged);
        EXPECT_FALSE(preferences.value(prefs::accessToken));
        preferences.setValue(prefs::firstStartEver, true);
        EXPECT_EQ(readAll(*preferences.damagedFileCopy()), damaged) << "the copy is never written";
        EXPECT_EQ(QFile::permissions(*preferences.damagedFileCopy()),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
}

TEST_F(PreferencesTest, AWholeFileIsNotCopied)
{
    writeAll(path(), "[General]\naccess_token=t\n");
    Preferences preferences(path());
    EXPECT_FALSE(preferences.damagedFileCopy());
    EXPECT_TRUE(copiesBeside(path()).isEmpty());
    Preferences fresh(path() + QStringLiteral(".new"));
    EXPECT_FALSE(fresh.damagedFileCopy()) << "a missing file is a first start, not damage";
}
