// The idle time from a real X server. The tests that read input need the
// display of the test run (xvfb-run sets DISPLAY); the others start private
// Xvfb servers.
#include "TestSupport.h"

#include "desktop/IdleTime.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A private Xvfb on a free display number, stopped on destruction.
class PrivateXServer {
public:
    explicit PrivateXServer(const QStringList &extraArguments = {})
    {
        // -displayfd 1 writes the number chosen to standard output once the
        // server accepts connections.
        m_process.start(QStringLiteral("Xvfb"),
            QStringList { QStringLiteral("-displayfd"), QStringLiteral("1"),
                QStringLiteral("-noreset"), QStringLiteral("-nolisten"), QStringLiteral("tcp") }
                + extraArguments);
        QByteArray output;
        while (!output.endsWith('\n') && m_process.waitForReadyRead(10000))
            output += m_process.readAllStandardOutput();
        if (output.endsWith('\n'))
            m_display = ':' + output.trimmed();
    }
    ~PrivateXServer() { stop(); }

    QByteArray display() const { return m_display; }

    void stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

private:
    QProcess m_process;
    QByteArray m_display;
};

bool runXdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

constexpr quint64 kMillisecond = 1'000'000;

TEST(X11IdleTime, SyntheticInputResetsTheCount)
{
    // The test command runs under xvfb-run; the setup installs xdotool.
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());

    auto idle = IdleTime::openX11();
    ASSERT_TRUE(
        runXdotool({ QStringLiteral("mousemove"), QStringLiteral("17"), QStringLiteral("23") }));
    EXPECT_LT(idle->timeIdle(), 500 * kMillisecond);
    // The count grows while nothing happens (other tests on the display may
    // reset it now and then, hence the long time-out).
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return idle->timeIdle() >= 1200 * kMillisecond; }, std::chrono::seconds(15)));
    EXPECT_LT(idle->timeIdle(), 60'000 * kMillisecond);

    ASSERT_TRUE(runXdotool({ QStringLiteral("key"), QStringLiteral("shift") }));
    EXPECT_LT(idle->timeIdle(), 500 * kMillisecond);

    ASSERT_TRUE(testsupport::waitUntil([&] { return idle->timeIdle() >= 300 * kMillisecond; }));
    ASSERT_TRUE(
        runXdotool({ QStringLiteral("mousemove"), QStringLiteral("31"), QStringLiteral("5") }));
    EXPECT_LT(idle->timeIdle(), 250 * kMillisecond);
}

// A display without the idle extension, or without a server, is an error
// named for it, and the program starts without the idle refresh.
TEST(X11IdleTime, AServerWithoutTheExtensionOrNoServerIsReportedAndSkippedAtStartUp)
{
    PrivateXServer server({ QStringLiteral("-extension"), QStringLiteral("MIT-SCREEN-SAVER") });
    ASSERT_FALSE(server.display().isEmpty()) << "could not start a private Xvfb";
    const QByteArray display = qgetenv("DISPLAY");
    for (const auto &[name, error] : { std::pair { server.display(), "IdleTimeIOHIDError" },
             std::pair { QByteArray(":4093"), "IdleTimeIOKitError" } }) {
        try {
            IdleTime::openX11(name);
            ADD_FAILURE() << "opened " << name.constData();
        } catch (const IdleTimeError &e) {
            EXPECT_EQ(e.name(), QLatin1String(error));
        }
        qputenv("DISPLAY", name);
        EXPECT_EQ(IdleTime::createForDesktop(), nullptr);
    }
    qputenv("DISPLAY", display);
}

TEST(X11IdleTime, ServerGoingAwayFailsTheQueryInsteadOfEndingTheProgram)
{
    PrivateXServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "could not start a private Xvfb";

    auto idle = IdleTime::openX11(server.display());
    EXPECT_LT(idle->secondsIdle(), 60u);
    server.stop();

    try {
        idle->timeIdle();
        ADD_FAILURE() << "read an idle time from a stopped server";
    } catch (const IdleTimeError &e) {
        EXPECT_EQ(e.name(), QStringLiteral("IdleTimeSystemPropError"));
    }
    EXPECT_EQ(idle->secondsIdleIfKnown(), std::nullopt);
}

} // namespace
