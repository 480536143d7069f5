// What staying open costs: the CPU time the signed-in program (in this
// process, offscreen, against the sandbox) spends on a refresh that brings
// nothing new, on one that brings 20 new posts, and on an idle stretch with
// the refresh timer running. CPU time is the process's own (every thread;
// the sandbox is another process), from the refresh until the page is in and
// the window has painted it. Medians of kRefreshes.
// Run: build/bench/refresh_bench
#include "BenchProfile.h"
#include "SandboxServer.h"
#include "SignedInProfile.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"

#include <QApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int kRefreshes = 10;

class SilentAlerts : public AlertPresenter {
public:
    int present(const Alert &) override { return 0; }
};

double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs the event loop for `ms`, asleep while nothing happens.
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One refresh: the CPU from F5 until the page is in and painted.
double refreshCpuMs(AppDelegate &delegate)
{
    QSignalSpy finished(&delegate.streams(), &StreamLoader::streamLoadFinished);
    const double before = cpuMs();
    delegate.streams().doTheRefreshVoid();
    if (!finished.wait(15000) || !finished.first().at(0).toBool()) {
        std::fprintf(stderr, "a refresh failed\n");
        return -1;
    }
    // The repaint that follows the page.
    settle(100);
    return cpuMs() - before;
}

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    // Painted as on a desktop when there is a display (run it under Xvfb).
    if (qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    alerts::setPresenter(std::make_unique<SilentAlerts>());
    SandboxServer sandbox;
    if (!sandbox.start()) {
        std::fprintf(stderr, "cannot start the sandbox\n");
        return 1;
    }
    // Arguments: the idle seconds (20), the refreshes of each kind (10).
    if (argc > 2)
        kRefreshes = std::max(1, std::atoi(argv[2]));
    testsupport::prepareSignedInProfile(sandbox);
    AppDelegate delegate;
    delegate.window()->resize(800, 900);
    if (!testsupport::awakeAndWaitForFirstPage(delegate)) {
        std::fprintf(stderr, "no first page\n");
        return 1;
    }
    while (delegate.streams().pageProcessor()->isFetchingAvatars())
        settle(50);
    settle(500);
    // A baseline: what the window costs when nothing happens for as long.
    const double idleBefore = cpuMs();
    settle(100);
    const double idle100 = cpuMs() - idleBefore;

    std::vector<double> same, fresh;
    for (int i = 0; i < kRefreshes; ++i)
        same.push_back(refreshCpuMs(delegate));
    for (int i = 0; i < kRefreshes; ++i) {
        sandbox.postMentions(20);
        fresh.push_back(refreshCpuMs(delegate));
        while (delegate.streams().pageProcessor()->isFetchingAvatars())
            settle(50);
    }
    const int shown = delegate.postsArrayController()->count();

    // An idle stretch at the shortest refresh interval the preferences offer.
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const double idleStart = cpuMs();
    settle(idleSeconds * 1000);
    const double idleCpu = cpuMs() - idleStart;

    std::printf("refresh CPU of the program on %s (medians of %d, each until painted; %.1f ms of "
                "it is the 100 ms of waiting for the paint, measured idle)\n",
        qPrintable(QGuiApplication::platformName()), kRefreshes, idle100);
    std::printf("nothing new: %.1f ms of CPU per refresh\n", median(same));
    std::printf("20 new posts: %.1f ms of CPU per refresh (%d posts shown at the end)\n",
        median(fresh), shown);
    std::printf("idle %d s with the refresh timer on: %.1f ms of CPU\n", idleSeconds, idleCpu);
    return 0;
}
