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

TEST_F(PreferencesTest, AbsentWrongTypedAndRemovedKeysReadAsNoZeroAndNone)
{
    writeAll(
        path(), "[General]\nprefsRefreshInterval=often\nfirstStartEver=maybe\nupdate042=true\n");
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 0);
    EXPECT_FALSE(p.value(prefs::firstStartEver));
    EXPECT_TRUE(p.value(prefs::update042));
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 0u);
    EXPECT_FALSE(p.value(prefs::accessToken).has_value());
    p.setValue(prefs::meID, QStringLiteral("12"));
    p.remove(prefs::meID);
    EXPECT_FALSE(p.value(prefs::meID).has_value());
}

TEST_F(PreferencesTest, ValuesSurviveReopeningAndTheFileIsPrivate)
{
    {
        Preferences p(path());
        p.setValue(prefs::accessToken, QStringLiteral("tok, with=odd;chars"));
        p.setValue(prefs::prefsRefreshInterval, 3);
        p.setValue(prefs::hotKeyModifiers, quint64(768));
        p.setValue(prefs::currentHashtag, QString());
    }
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::accessToken), QStringLiteral("tok, with=odd;chars"));
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 3);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 768u);
    // An empty string is a value, unlike a key never written.
    EXPECT_EQ(p.value(prefs::currentHashtag), QString());
    EXPECT_TRUE(QFile::permissions(path()).testFlags(QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(QFile::permissions(path()).toInt() & 0x0ff, 0) << "nothing for the group or others";
}

// Remembers whether any file a folder gains or changes was readable by others
// at the moment the kernel reported it (the settings' lock file holds only a
// process id).
class OpenFileWatch {
public:
    explicit OpenFileWatch(const QString &folder)
        : m_folder(folder.toStdString())
        , m_fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(m_fd, m_folder.c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_ATTRIB);
        m_thread = std::thread([this] { run(); });
    }
    ~OpenFileWatch() { ::close(m_fd); }
    bool stopAndTell()
    {
        m_stop = true;
        m_thread.join();
        return m_sawReadable;
    }

private:
    void run()
    {
        alignas(inotify_event) char buffer[8192];
        // What the writes queued is still read once asked to stop.
        for (pollfd p { m_fd, POLLIN, 0 }; poll(&p, 1, 5) > 0 || !m_stop;) {
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

TEST_F(PreferencesTest, NoFileHoldingTheTokenIsReadableByOthersEvenForAMoment)
{
    const mode_t umask = ::umask(022);
    writeAll(path(), "[General]\n");
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    OpenFileWatch watch(QFileInfo(path()).absolutePath());
    for (int i = 0; i < 20; ++i) {
        writeAll(path(), "[General]\naccess_token=demo-token\nisUser");
        Preferences preferences(path());
        ASSERT_TRUE(preferences.damagedFileCopy());
        preferences.setValue(prefs::firstStartEver, false);
    }
    EXPECT_FALSE(watch.stopAndTell());
    ::umask(umask);
}

// A damaged file is copied aside, untouched, before anything is written;
// what it still holds is kept, and a surviving token counts as signed in.
TEST_F(PreferencesTest, ADamagedFileIsCopiedAsideAndWhatItStillHoldsIsKept)
{
    QByteArray noise;
    for (int i = 0; i < 512; ++i)
        noise.append(char((i * 97 + 13) % 256));
    const struct {
        QByteArray bytes;
        bool damaged;
        bool token;
        bool signedIn;
    } files[] = {
        { "[General]\naccess_token=demo-token\nfirstStartEver=true\nisUserAuthDone=true\n\n"
          "[OutsideAddresses]\napiBase=\"http://a",
            true, true, true },
        { "[General]\naccess_token=demo-token\nfirstStartEver=true\nisUser", true, true, true },
        { "[General]\nfirstStartEver=true\nisUser", true, false, false },
        { noise, true, false, false },
        { QByteArray(), true, false, false },
        { "[General]\naccess_token=demo-token\n", false, true, false },
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.bytes.left(60).toStdString());
        QDir(QFileInfo(path()).absolutePath()).removeRecursively();
        writeAll(path(), file.bytes);
        {
            Preferences preferences(path());
            EXPECT_EQ(preferences.value(prefs::accessToken).has_value(), file.token);
            EXPECT_EQ(preferences.value(prefs::isUserAuthDone), file.signedIn);
            ASSERT_EQ(preferences.damagedFileCopy().has_value(), file.damaged);
            testing::internal::CaptureStderr();
            preferences.setValue(prefs::firstStartEver, false);
            EXPECT_EQ(
                testing::internal::GetCapturedStderr().find("Cannot write"), std::string::npos);
            if (file.damaged) {
                EXPECT_EQ(readAll(*preferences.damagedFileCopy()), file.bytes);
                EXPECT_EQ(QFile::permissions(*preferences.damagedFileCopy()),
                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
            }
        }
        EXPECT_EQ(QFileInfo(path())
                      .dir()
                      .entryList(QDir::Files)
                      .filter(QStringLiteral(".damaged"))
                      .size(),
            file.damaged ? 1 : 0);
        Preferences again(path());
        EXPECT_FALSE(again.damagedFileCopy()) << "the rewritten file reads whole";
        EXPECT_EQ(again.value(prefs::accessToken).has_value(), file.token);
    }
    Preferences fresh(path() + QStringLiteral(".new"));
    EXPECT_FALSE(fresh.damagedFileCopy()) << "a missing file is a first start, not damage";
}

} // namespace
