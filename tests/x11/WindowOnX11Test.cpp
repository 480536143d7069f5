// The main window on an X display without a window manager: full screen,
// where nobody answers the window's full-screen request; the frame's close
// button; and the place and size the program keeps between starts.
#include "BusServiceStub.h"
#include "ProgramOnX11.h"

#include "app/StatusItem.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <csignal>

namespace {

using namespace std::chrono_literals;

TEST_F(ProgramOnX11, F11CoversTheScreenAndGivesTheWindowItsPlaceBack)
{
    const QRect before = window()->geometry();
    const QRect screen = window()->screen()->geometry();
    ASSERT_NE(before, screen);
    QTest::keyClick(window(), Qt::Key_F11);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return window()->geometry() == screen; }, std::chrono::milliseconds(2000)))
        << "the window covers the screen";
    EXPECT_TRUE(window()->isFullScreen());
    // The list keeps its width, centred.
    EXPECT_EQ(window()->contentsMargins().left(), (screen.width() - before.width()) / 2);

    QTest::keyClick(window(), Qt::Key_F11);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return window()->geometry() == before; }, std::chrono::milliseconds(2000)));
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_EQ(window()->contentsMargins().left(), 0);
}

TEST_F(ProgramOnX11, WithTheTrayItemTheCloseButtonHidesTheWindowInsteadOfQuitting)
{
    Preferences::standard().setValue(prefs::prefsShowStatusItem, true);
    delegate->statusItem().toggleStatusItem();
    ASSERT_TRUE(delegate->statusItem().exists());
    // The application's own loop runs, as a closed last window quits it.
    constexpr int endedByTest = 7;
    OtherClient windowManager;
    QTimer::singleShot(0, [&] { windowManager.askToClose(xcb_window_t(window()->winId())); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window()->isHiddenFromUser())
            QTimer::singleShot(0, [] { QCoreApplication::exit(endedByTest); });
    });
    poll.start(50);
    EXPECT_EQ(QCoreApplication::exec(), endedByTest) << "closing the window quit";
    poll.stop();
    delegate->statusItem().statusItemAction();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window()->isHiddenFromUser(); }, 3000ms));
}

TEST_F(ProgramOnX11, AHungTrayHoldsTheWindowNoMomentAndNoItemComes)
{
    BusServiceStub watcher(u"org.kde.StatusNotifierWatcher"_qs, u"/StatusNotifierWatcher"_qs);
    ASSERT_TRUE(watcher.isOffered());
    Preferences::standard().setValue(prefs::prefsShowStatusItem, true);
    QElapsedTimer clock;
    clock.start();
    delegate->statusItem().toggleStatusItem();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(delegate->statusItem().isAskingTheTray());
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return !delegate->statusItem().isAskingTheTray(); }, 10s));
    EXPECT_FALSE(delegate->statusItem().exists());
}

TEST_F(ProgramOnX11, WithoutTheTrayItemOnlyTheWindowsCloseButtonQuits)
{
    // An alert or a panel closed while the window is hidden (signed out, or
    // in the tray) is no last window: the program goes on.
    constexpr int endedByTest = 7;
    window()->hide();
    QWidget panel;
    panel.show();
    QTimer::singleShot(50, &panel, &QWidget::close);
    QTimer::singleShot(500, [] { QCoreApplication::exit(endedByTest); });
    EXPECT_EQ(QCoreApplication::exec(), endedByTest) << "closing another window quit";

    window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
    OtherClient windowManager;
    QTimer::singleShot(0, [&] { windowManager.askToClose(xcb_window_t(window()->winId())); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(endedByTest); });
    EXPECT_EQ(QCoreApplication::exec(), 0) << "the close button did not quit";
}

// The program's own process at scale 2, its window as another X client sees
// it (in device pixels), through xdotool.
class WindowPlaceTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Preferences::resetStandard(); // the program reads the file itself
    }
    void TearDown() override
    {
        velto.kill();
        velto.waitForFinished();
        ProgramTest::TearDown();
    }
    static QString xdotool(const QStringList &arguments)
    {
        QProcess run;
        run.start(u"xdotool"_qs, arguments);
        return run.waitForFinished(20000) ? QString::fromUtf8(run.readAllStandardOutput())
                                          : QString();
    }
    // Starts the program and answers its window once it is shown.
    QString start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        env.insert(u"QT_SCALE_FACTOR"_qs, u"2"_qs);
        velto.setProcessEnvironment(env);
        velto.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        velto.start(QStringLiteral(VELTO_BINARY), {});
        if (!velto.waitForStarted(10000))
            return {};
        return xdotool({ u"search"_qs, u"--sync"_qs, u"--onlyvisible"_qs, u"--pid"_qs,
                           QString::number(velto.processId()) })
            .section(QLatin1Char('\n'), 0, 0);
    }
    static QRect geometry(const QString &window)
    {
        QRect frame;
        const QStringList lines
            = xdotool({ u"getwindowgeometry"_qs, u"--shell"_qs, window }).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const int value = line.section(QLatin1Char('='), 1).toInt();
            if (line.startsWith(u"X="))
                frame.moveLeft(value);
            else if (line.startsWith(u"Y="))
                frame.moveTop(value);
            else if (line.startsWith(u"WIDTH="))
                frame.setWidth(value);
            else if (line.startsWith(u"HEIGHT="))
                frame.setHeight(value);
        }
        return frame;
    }
    void quit()
    {
        ::kill(pid_t(velto.processId()), SIGTERM);
        ASSERT_TRUE(velto.waitForFinished(10000));
        ASSERT_EQ(velto.exitCode(), 0);
    }

    QProcess velto;
};

TEST_F(WindowPlaceTest, TheWindowFitsTheScreenAtScaleTwoAndComesBackWhereItWas)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry(); // 1280 x 1024
    QString window = start();
    ASSERT_FALSE(window.isEmpty());
    const QRect first = geometry(window);
    EXPECT_TRUE(screen.contains(first))
        << first.x() << "," << first.y() << " " << first.width() << "x" << first.height();

    const QRect moved(100, 80, 700, 760);
    xdotool({ u"windowsize"_qs, window, u"700"_qs, u"760"_qs });
    xdotool({ u"windowmove"_qs, window, u"100"_qs, u"80"_qs });
    ASSERT_TRUE(testsupport::waitUntil([&] { return geometry(window) == moved; }, 5000ms));
    // Kept in the preferences (in the toolkit's pixels, half as many).
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            QFile file(Preferences::standardFilePath());
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("50 40 350 380");
        },
        5000ms));
    quit();

    window = start();
    ASSERT_FALSE(window.isEmpty());
    EXPECT_EQ(geometry(window), moved);
    quit();
}

} // namespace
