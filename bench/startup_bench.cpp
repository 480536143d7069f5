// Start-up against the sandbox, in one run. Signed in with a warm cache, on
// the X display when there is one (run under xvfb-run) and offscreen: from
// starting the process to its window mapped and to the first page of posts
// painted (VELTO_STARTUP_REPORT=1), and its resident memory 5 s after start.
// Then, offscreen, the first page with the API 300 ms away, without and with
// a stored page, and with the API unreachable (from the store). Signed out:
// the memory of Velto and of the sign-in program while the sign-in page
// shows. The memory of a signed-in start is also printed with the default
// page of 20 posts. Medians of kRuns starts each.
// Run: xvfb-run -a build/bench/startup_bench [program]   (default: this build's velto)
#include "SandboxServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#ifndef VELTO_BINARY
#define VELTO_BINARY ""
#endif

namespace {

constexpr int kRuns = 5;
constexpr int kMemoryAfterMs = 5000;

// Sees windows being mapped on the X display: under Xvfb without a window
// manager every top-level window is a child of the root window.
class MapWatch {
public:
    MapWatch()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection)) {
            xcb_disconnect(m_connection);
            m_connection = nullptr;
            return;
        }
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~MapWatch()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }
    bool available() const { return m_connection != nullptr; }
    // True when a window was mapped since the last call.
    bool mapped()
    {
        bool any = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            any = any || (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
        }
        return any;
    }

private:
    xcb_connection_t *m_connection = nullptr;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString figure(const std::vector<double> &v, const char *unit, int decimals = 0)
{
    if (v.empty())
        return QStringLiteral("n/a");
    return QStringLiteral("%1 %2 (min %3, max %4)")
        .arg(median(v), 0, 'f', decimals)
        .arg(QLatin1String(unit))
        .arg(*std::min_element(v.begin(), v.end()), 0, 'f', decimals)
        .arg(*std::max_element(v.begin(), v.end()), 0, 'f', decimals);
}

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 candidate = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(candidate));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so count from its ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toLongLong() == pid)
            children << candidate;
    }
    return children;
}

double treeMiB(qint64 pid)
{
    double sum = residentMiB(pid);
    for (qint64 child : childrenOf(pid))
        sum += treeMiB(child);
    return sum;
}

// A GL driver in the process: a GL context was made.
bool loadsGlDriver(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = maps.readAll();
    return text.contains("_dri.so") || text.contains("libLLVM");
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

struct Start {
    double mappedMs = -1;
    double paintedMs = -1;
    int posts = 0;
};

// One start with the start-up report: the times to the window mapped (seen
// on the display, or reported offscreen) and to the first page painted.
Start timedStart(const QString &program, QProcessEnvironment env, MapWatch *watch)
{
    env.insert(QStringLiteral("VELTO_STARTUP_REPORT"), QStringLiteral("1"));
    QProcess velto;
    velto.setProcessEnvironment(env);
    velto.setReadChannel(QProcess::StandardError);
    if (watch)
        watch->mapped();
    QElapsedTimer clock;
    clock.start();
    velto.start(program, {});
    Start result;
    QByteArray err;
    const QRegularExpression painted(QStringLiteral("first page painted: (\\d+) posts"));
    while (clock.elapsed() < 30000 && result.paintedMs < 0) {
        velto.waitForReadyRead(1);
        err += velto.readAllStandardError();
        const double now = clock.nsecsElapsed() / 1e6;
        if (result.mappedMs < 0 && (watch ? watch->mapped() : err.contains("velto: window mapped")))
            result.mappedMs = now;
        if (const auto match = painted.match(QString::fromUtf8(err)); match.hasMatch()) {
            result.paintedMs = now;
            result.posts = match.captured(1).toInt();
        }
        if (velto.state() == QProcess::NotRunning)
            break;
    }
    stop(velto);
    if (result.paintedMs < 0)
        std::fprintf(stderr, "no report from %s:\n%s\n", qPrintable(program), err.constData());
    return result;
}

struct Memory {
    double veltoMiB = 0;
    double childMiB = 0; // its child processes: signed out, the sign-in program
    double childTreeMiB = 0; // those and theirs: the web engine's own processes too
    bool gl = false;
};

// One start without the report, measured kMemoryAfterMs after it began.
Memory memoryAfterStart(const QString &program, const QProcessEnvironment &env)
{
    QProcess velto;
    velto.setProcessEnvironment(env);
    velto.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    velto.start(program, {});
    Memory result;
    if (!velto.waitForStarted(10000))
        return result;
    while (clock.elapsed() < kMemoryAfterMs && velto.state() == QProcess::Running)
        velto.waitForFinished(int(kMemoryAfterMs - clock.elapsed()));
    const qint64 pid = velto.processId();
    result.veltoMiB = residentMiB(pid);
    result.gl = loadsGlDriver(pid);
    for (qint64 child : childrenOf(pid)) {
        result.childMiB += residentMiB(child);
        result.childTreeMiB += treeMiB(child);
        result.gl = result.gl || loadsGlDriver(child);
    }
    stop(velto);
    return result;
}

// 200 posts a page unless `pageOf20`, the default.
void writeProfile(const QString &path, bool signedIn, bool pageOf20 = false)
{
    QFile conf(path + QStringLiteral("/config/Velto/Velto.conf"));
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(1);
    conf.write(signedIn ? "[General]\nisUserAuthDone=true\naccess_token=demo-token\n"
                        : "[General]\nisUserAuthDone=false\n");
    conf.write("firstStartEver=true\nupdate042=true\nupdate060=true\nalphHint20=true\n"
               "followVeltoAsked=true\n");
    conf.write(pageOf20 ? "prefsStreamCount=0\n" : "prefsStreamCount=3\n");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString program
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELTO_BINARY);
    SandboxServer sandbox;
    if (!sandbox.start()) {
        std::fprintf(stderr, "cannot start the sandbox\n");
        return 1;
    }
    QTemporaryDir profile;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *sub : { "home", "config/Velto", "data", "cache" })
        QDir().mkpath(profile.path() + QLatin1Char('/') + QLatin1String(sub));
    env.insert(QStringLiteral("HOME"), profile.path() + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), profile.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), profile.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), profile.path() + QStringLiteral("/cache"));
    env.remove(QStringLiteral("VELTO_SIGNIN_PROGRAM"));
    // The profile's token stays in its file, out of the user's keyring.
    env.insert(QStringLiteral("VELTO_KEYRING"), QStringLiteral("off"));
    QString base = sandbox.baseUrl().toString();
    env.insert(QStringLiteral("VELTO_API_BASE"), base + QStringLiteral("/stream/0"));
    env.insert(QStringLiteral("VELTO_PROBE_URL"), base + QStringLiteral("/"));
    for (const char *name : { "VELTO_SITE_BASE", "VELTO_SHORTENER_BASE", "VELTO_IMAGE_HOST_BASE",
             "VELTO_MAKER_SITE_BASE" })
        env.insert(QString::fromLatin1(name), base);

    MapWatch watch;
    struct Platform {
        const char *name;
        MapWatch *watch;
    };
    std::vector<Platform> platforms;
    if (watch.available())
        platforms.push_back({ "xcb", &watch });
    platforms.push_back({ "offscreen", nullptr });
    std::printf("program: %s\n", qPrintable(program));

    writeProfile(profile.path(), true);
    for (const Platform &platform : platforms) {
        QProcessEnvironment on = env;
        on.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platform.name));
        const Start cold = timedStart(program, on, platform.watch); // fills the cache
        std::vector<double> mapped, painted, resident;
        int posts = 0;
        bool gl = false;
        for (int i = 0; i < kRuns; ++i) {
            const Start s = timedStart(program, on, platform.watch);
            if (s.mappedMs >= 0)
                mapped.push_back(s.mappedMs);
            if (s.paintedMs >= 0)
                painted.push_back(s.paintedMs);
            posts = s.posts;
            const Memory m = memoryAfterStart(program, on);
            resident.push_back(m.veltoMiB);
            gl = gl || m.gl;
        }
        std::printf("signed in, %s (first start, cold cache: %.0f ms to the page painted, %d "
                    "posts):\n",
            platform.name, cold.paintedMs, cold.posts);
        std::printf("  start to window mapped:     %s\n", qPrintable(figure(mapped, "ms")));
        std::printf("  start to first page painted: %s, %d posts\n",
            qPrintable(figure(painted, "ms")), posts);
        std::printf("  resident memory 5 s after start: %s; GL driver loaded: %s\n",
            qPrintable(figure(resident, "MiB", 1)), gl ? "yes" : "no");
    }

    // The default page of 20 posts, on the first platform: the memory most
    // users see.
    {
        writeProfile(profile.path(), true, true);
        QProcessEnvironment on = env;
        on.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platforms.front().name));
        timedStart(program, on, platforms.front().watch); // stores the page of 20
        std::vector<double> resident;
        for (int i = 0; i < kRuns; ++i)
            resident.push_back(memoryAfterStart(program, on).veltoMiB);
        std::printf("signed in, %s, the default page of 20 posts: resident memory 5 s after "
                    "start: %s\n",
            platforms.front().name, qPrintable(figure(resident, "MiB", 1)));
        writeProfile(profile.path(), true);
    }

    // A distant service and none at all: the stored page comes first.
    {
        QProcessEnvironment on = env;
        on.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QString store = profile.path() + QStringLiteral("/data/Velto/Posts.sqlite");
        sandbox.setLatency(300);
        struct Way {
            const char *name;
            bool stored;
            bool unreachable;
        };
        for (const Way way : { Way { "API 300 ms away, no stored page", false, false },
                 Way { "API 300 ms away, from the store", true, false },
                 Way { "API unreachable, from the store", true, true } }) {
            if (way.unreachable)
                sandbox.stop();
            std::vector<double> painted;
            int posts = 0;
            for (int i = 0; i < kRuns; ++i) {
                if (!way.stored)
                    for (const char *suffix : { "", "-wal", "-shm" })
                        QFile::remove(store + QLatin1String(suffix));
                const Start s = timedStart(program, on, nullptr);
                if (s.paintedMs >= 0)
                    painted.push_back(s.paintedMs);
                posts = s.posts;
            }
            std::printf("%s, offscreen: start to first page painted: %s, %d posts\n", way.name,
                qPrintable(figure(painted, "ms")), posts);
        }
        if (!sandbox.start()) {
            std::fprintf(stderr, "cannot start the sandbox again\n");
            return 1;
        }
        base = sandbox.baseUrl().toString();
        for (const char *name : { "VELTO_SITE_BASE", "VELTO_SHORTENER_BASE",
                 "VELTO_IMAGE_HOST_BASE", "VELTO_MAKER_SITE_BASE" })
            env.insert(QString::fromLatin1(name), base);
        env.insert(QStringLiteral("VELTO_API_BASE"), base + QStringLiteral("/stream/0"));
        env.insert(QStringLiteral("VELTO_PROBE_URL"), base + QStringLiteral("/"));
    }

    // Signed out on the first platform: the sign-in page shows.
    writeProfile(profile.path(), false);
    QProcessEnvironment out = env;
    out.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platforms.front().name));
    std::vector<double> velto, signIn, signInTree;
    for (int i = 0; i < kRuns; ++i) {
        sandbox.clearRequests();
        const Memory m = memoryAfterStart(program, out);
        if (sandbox.requestCount(QStringLiteral("GET"), QStringLiteral("/oauth/authenticate")) < 1)
            std::fprintf(stderr, "signed out, the sign-in page was not asked for in 5 s\n");
        velto.push_back(m.veltoMiB);
        signIn.push_back(m.childMiB);
        signInTree.push_back(m.childTreeMiB);
    }
    std::printf(
        "signed out, %s, 5 s after start with the sign-in page shown:\n", platforms.front().name);
    std::printf("  velto: %s\n", qPrintable(figure(velto, "MiB", 1)));
    std::printf(
        "  its child processes (the sign-in program): %s\n", qPrintable(figure(signIn, "MiB", 1)));
    std::printf("  with their own children (the web engine's processes): %s\n",
        qPrintable(figure(signInTree, "MiB", 1)));
    return 0;
}
