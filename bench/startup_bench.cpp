// Start-up of a signed-in profile with a warm cache against the sandbox: from
// starting the process to the first page of 200 posts painted, and the
// resident memory then. Runs the real program (offscreen) with
// VELTO_STARTUP_REPORT=1, once to fill the cache, then kRuns times.
// Run: build/bench/startup_bench   (prints medians)
#include "SandboxServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifndef VELTO_BINARY
#define VELTO_BINARY ""
#endif

namespace {

constexpr int kRuns = 9;

struct Start {
    double ms = -1;
    int posts = 0;
    double residentMiB = 0;
};

Start startOnce(const QProcessEnvironment &env)
{
    QProcess velto;
    velto.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    velto.start(QStringLiteral(VELTO_BINARY), {});
    Start result;
    QByteArray err;
    const QRegularExpression line(
        QStringLiteral("first page painted: (\\d+) posts, resident memory (\\d+) KiB"));
    while (clock.elapsed() < 30000) {
        velto.setReadChannel(QProcess::StandardError);
        velto.waitForReadyRead(50);
        err += velto.readAllStandardError();
        const auto match = line.match(QString::fromUtf8(err));
        if (match.hasMatch()) {
            result.ms = clock.nsecsElapsed() / 1e6;
            result.posts = match.captured(1).toInt();
            result.residentMiB = match.captured(2).toDouble() / 1024.0;
            break;
        }
        if (velto.state() == QProcess::NotRunning)
            break;
    }
    if (!velto.waitForFinished(5000))
        velto.kill();
    if (result.ms < 0)
        std::fprintf(stderr, "no report from velto:\n%s\n", err.constData());
    return result;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELTO_STARTUP_REPORT"), QStringLiteral("1"));
    const QString base = sandbox.baseUrl().toString();
    env.insert(QStringLiteral("VELTO_API_BASE"), base + QStringLiteral("/stream/0"));
    env.insert(QStringLiteral("VELTO_PROBE_URL"), base + QStringLiteral("/"));
    for (const char *name : { "VELTO_SITE_BASE", "VELTO_SHORTENER_BASE", "VELTO_IMAGE_HOST_BASE",
             "VELTO_MAKER_SITE_BASE" })
        env.insert(QString::fromLatin1(name), base);

    QFile conf(profile.path() + QStringLiteral("/config/Velto/Velto.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return 1;
    conf.write("[General]\nisUserAuthDone=true\naccess_token=demo-token\nfirstStartEver=true\n"
               "update042=true\nupdate060=true\nalphHint20=true\nfollowVeltoAsked="
               "true\nprefsStreamCount=3\n");
    conf.close();

    const Start cold = startOnce(env); // fills the cache
    std::vector<double> ms, rss;
    int posts = 0;
    for (int i = 0; i < kRuns; ++i) {
        const Start s = startOnce(env);
        if (s.ms < 0)
            return 1;
        ms.push_back(s.ms);
        rss.push_back(s.residentMiB);
        posts = s.posts;
    }
    std::printf("first start (cold cache): %.0f ms, %d posts\n", cold.ms, cold.posts);
    std::printf("warm start to first page painted: median %.0f ms (min %.0f, max %.0f) over %d "
                "runs, %d posts\n",
        median(ms), *std::min_element(ms.begin(), ms.end()),
        *std::max_element(ms.begin(), ms.end()), kRuns, posts);
    std::printf("resident memory with the page shown: median %.1f MiB\n", median(rss));
    return 0;
}
