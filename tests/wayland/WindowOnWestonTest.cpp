// The whole program as a native Wayland client: a headless weston of the
// test's own is started before the toolkit, the program signs in against the
// sandbox and shows its window and its first page of posts. Skipped only
// where weston is not installed; a weston that is there but does not come up
// is a failure.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
#include "service/PostRecord.h"
#include "service/PostsArrayController.h"
#include "views/PreferencePanel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A headless compositor for this process's lifetime; it dies with the test
// even when the test is killed for its time-out.
class HeadlessWeston {
public:
    static constexpr int startTimeoutMs = 10000;

    bool installed() const { return !m_program.isEmpty(); }
    QString error() const { return m_error; }

    HeadlessWeston()
        : m_program(QStandardPaths::findExecutable(u"weston"_qs))
    {
        if (!installed())
            return;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray socket = "velto-weston-" + QByteArray::number(getpid());
        const QByteArray program = m_program.toLocal8Bit();
        const QByteArray socketArg = "--socket=" + socket;
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const char *args[] = { program.constData(), "--backend=headless-backend.so",
                socketArg.constData(), "--idle-time=0", "--log=/dev/null", nullptr };
            execv(program.constData(), const_cast<char **>(args));
            _exit(127);
        }
        const QString socketPath = QString::fromLocal8Bit(runtime + '/' + socket);
        const QDeadlineTimer deadline(startTimeoutMs);
        while (!QFileInfo::exists(socketPath)) {
            int status = 0;
            if (m_pid < 0 || waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_error = u"weston ended before it offered a display"_qs;
                m_pid = -1;
                return;
            }
            if (deadline.hasExpired()) {
                m_error = u"weston offered no display within 10 s"_qs;
                return;
            }
            QThread::msleep(20);
        }
        qputenv("WAYLAND_DISPLAY", socket);
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
    ~HeadlessWeston()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    QString m_program;
    QString m_error;
    pid_t m_pid = -1;
};

HeadlessWeston *weston = nullptr;

TEST(WindowOnWeston, TheProgramRunsAsAWaylandClientAndShowsTheSandboxsPosts)
{
    ASSERT_TRUE(weston->installed()) << "weston is not installed, so there is no Wayland "
                                        "compositor to run under (the setup step installs it)";
    ASSERT_TRUE(weston->error().isEmpty()) << weston->error().toStdString();
    ASSERT_EQ(QGuiApplication::platformName(), u"wayland"_qs);

    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start());
    testsupport::prepareSignedInProfile(sandbox);
    AppDelegate delegate;
    ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(delegate));
    MainWindow *window = delegate.window();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(window->windowHandle()->handle() != nullptr);

    const QJsonArray stream = sandbox.api("GET", "posts/stream").jsonArray();
    ASSERT_FALSE(stream.isEmpty());
    const PostsArrayController *posts = delegate.postsArrayController();
    ASSERT_EQ(posts->count(), stream.size());
    EXPECT_EQ(posts->arrangedObject(0)->id(), stream.first().toObject().value(u"id"_qs).toString());

    // A second window of its own, as under X11.
    delegate.preferencesWindow().showPreferences();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(delegate.preferencesWindow().panel()));
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::pointXdgFoldersAt(home.path());
    const bool listing = std::any_of(argv, argv + argc,
        [](const char *arg) { return std::strcmp(arg, "--gtest_list_tests") == 0; });
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The token stays in the test profile's file, never in a keyring the bus
    // would start.
    qputenv("VELTO_KEYRING", "off");
    std::unique_ptr<HeadlessWeston> compositor;
    if (!listing)
        compositor = std::make_unique<HeadlessWeston>();
    weston = compositor.get();

    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Velto"_qs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
