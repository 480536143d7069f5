// SDURLCache benchmarks:
//  - lookup of an entry that is on disk but not in memory, 1,000 entries on disk;
//  - store of a 20 KB response (what the caller pays, and with the disk write);
//  - the index write at 1,000 to 20,000 entries (expected to grow linearly);
//  - a page of 200 avatar requests answered from the cache against the same
//    page fetched over loopback without it.
// Run: build/bench/cache_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "SandboxServer.h"
#include "ScriptedHttpServer.h"

#include "support/PropertyList.h"
#include "support/cache/CacheFiles.h"
#include "support/cache/DiskCacheIndex.h"
#include "support/cache/HttpDate.h"
#include "support/cache/SDURLCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kEntriesOnDisk = 1000;
constexpr int kPageSize = 200;

CachedURLResponse avatarResponse(const QString &url, QByteArray body)
{
    CachedURLResponse response;
    response.url = QUrl(url);
    response.statusCode = 200;
    response.headerFields = { { QStringLiteral("Cache-Control"), QStringLiteral("max-age=3600") },
        { QStringLiteral("ETag"), QStringLiteral("\"x\"") },
        { QStringLiteral("Content-Type"), QStringLiteral("image/png") } };
    response.mimeType = QStringLiteral("image/png");
    response.body = std::move(body);
    return response;
}

QString entryURL(int n)
{
    return QStringLiteral("http://127.0.0.1:9/avatars/%1.png").arg(n);
}

// A disk tier with 1,000 entries of 20 KB and no memory tier, so every lookup
// reads its file.
struct DiskFixture {
    QTemporaryDir dir;
    std::unique_ptr<SDURLCache> cache;

    DiskFixture()
    {
        const QString folder = dir.path() + QStringLiteral("/SDURLCache");
        {
            SDURLCache filler(0, 52428800, folder);
            for (int n = 0; n < kEntriesOnDisk; ++n)
                filler.storeCachedResponse(
                    avatarResponse(entryURL(n), QByteArray(20 * 1024, char('a' + n % 26))),
                    QNetworkRequest(QUrl(entryURL(n))));
            filler.waitForPendingDiskWork();
        }
        cache = std::make_unique<SDURLCache>(0, 52428800, folder);
        cache->currentDiskUsage(); // loads the index outside the timed loop
        cache->waitForPendingDiskWork();
    }
};

DiskFixture &diskFixture()
{
    static DiskFixture fixture;
    return fixture;
}

void BM_LookupFromDisk(benchmark::State &state)
{
    SDURLCache &cache = *diskFixture().cache;
    int n = 0;
    for (auto _ : state) {
        auto response = cache.cachedResponseForRequest(QNetworkRequest(QUrl(entryURL(n))));
        if (!response || response->body.size() != 20 * 1024)
            state.SkipWithError("lookup missed");
        benchmark::DoNotOptimize(response);
        n = (n + 1) % kEntriesOnDisk;
    }
}
BENCHMARK(BM_LookupFromDisk)->Unit(benchmark::kMicrosecond);

// What the caller's thread pays: the store returns once the write is queued.
void BM_Store20KB_CallerThread(benchmark::State &state)
{
    SDURLCache &cache = *diskFixture().cache;
    const QByteArray body(20 * 1024, 's');
    int n = 0;
    for (auto _ : state) {
        const QString url = entryURL(kEntriesOnDisk + n);
        cache.storeCachedResponse(avatarResponse(url, body), QNetworkRequest(QUrl(url)));
        n = (n + 1) % kEntriesOnDisk;
        if (n % 64 == 0) {
            state.PauseTiming();
            cache.waitForPendingDiskWork();
            state.ResumeTiming();
        }
    }
    cache.waitForPendingDiskWork();
}
BENCHMARK(BM_Store20KB_CallerThread)->Unit(benchmark::kMicrosecond);

// One store waited for: entry file, size, index record and index write.
void BM_Store20KB_WrittenToDisk(benchmark::State &state)
{
    SDURLCache &cache = *diskFixture().cache;
    const QByteArray body(20 * 1024, 'w');
    int n = 0;
    for (auto _ : state) {
        const QString url = entryURL(kEntriesOnDisk + n);
        cache.storeCachedResponse(avatarResponse(url, body), QNetworkRequest(QUrl(url)));
        cache.waitForPendingDiskWork();
        n = (n + 1) % kEntriesOnDisk;
    }
    state.counters["entries"]
        = double(kEntriesOnDisk) + std::min<double>(kEntriesOnDisk, double(state.iterations()));
}
BENCHMARK(BM_Store20KB_WrittenToDisk)->Unit(benchmark::kMicrosecond);

// On a shared machine the fastest repetition shows the growth best.
double fastest(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

// The worker's index write: serialise and replace "cacheInfo.plist".
void BM_IndexWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    DiskCacheIndex index;
    const qint64 base = QDateTime::currentMSecsSinceEpoch();
    for (int n = 0; n < state.range(0); ++n)
        index.recordStore(SDURLCache::cacheKeyForURL(QUrl(entryURL(n))), 20000 + n % 500, base + n);
    const QString path = dir.path() + QStringLiteral("/cacheInfo.plist");
    for (auto _ : state) {
        if (!CacheFiles::replaceFile(path, index.encode()))
            state.SkipWithError("index write failed");
    }
    state.SetComplexityN(state.range(0));
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_IndexWrite)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN)
    ->ComputeStatistics("min", fastest);

// The serialisation alone, without the file system.
void BM_IndexEncode(benchmark::State &state)
{
    DiskCacheIndex index;
    const qint64 base = QDateTime::currentMSecsSinceEpoch();
    for (int n = 0; n < state.range(0); ++n)
        index.recordStore(SDURLCache::cacheKeyForURL(QUrl(entryURL(n))), 20000 + n % 500, base + n);
    for (auto _ : state)
        benchmark::DoNotOptimize(index.encode());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_IndexEncode)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN)
    ->ComputeStatistics("min", fastest);

// The index read at first use (on the caller's thread).
void BM_IndexLoad(benchmark::State &state)
{
    DiskCacheIndex index;
    const qint64 base = QDateTime::currentMSecsSinceEpoch();
    for (int n = 0; n < state.range(0); ++n)
        index.recordStore(SDURLCache::cacheKeyForURL(QUrl(entryURL(n))), 20000, base + n);
    const QByteArray bytes = index.encode();
    for (auto _ : state) {
        auto loaded = DiskCacheIndex::fromPropertyList(*PropertyList::decode(bytes));
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_IndexLoad)->Arg(5000)->Unit(benchmark::kMillisecond);

// ---- The avatar page ---------------------------------------------------------

// A noisy 72 x 72 picture: PNG cannot squeeze it, so each file is ~16 KB.
QByteArray avatarPng(const QString &name)
{
    QImage image(72, 72, QImage::Format_RGB32);
    QRandomGenerator random(qHash(name));
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Serves /avatars/<name> as the sandbox does, with the same caching headers,
// for a run where the sandbox does not answer. It has a thread of its own, as
// the sandbox has a process, so the page's event loop measures only the client.
void serveAvatars(ScriptedHttpServer &server)
{
    using Reply = ScriptedHttpServer::Reply;
    server.setKeepAlive(true);
    server.setHandler([pngs = QHash<QByteArray, QByteArray>()](
                          const ScriptedHttpServer::Request &request) mutable {
        const QByteArray prefix = "/avatars/";
        if (!request.path().startsWith(prefix))
            return Reply::answer(404);
        const QByteArray name = request.path().mid(prefix.size());
        auto png = pngs.constFind(name);
        if (png == pngs.cend())
            png = pngs.insert(name, avatarPng(QString::fromUtf8(name)));
        return Reply::answer(200, png.value(), "image/png")
            .header("Cache-Control", "max-age=3600")
            .header("ETag", '"' + name + '"')
            .header("Date", HttpDate::format(QDateTime::currentDateTimeUtc()).toLatin1());
    });
}

// velto-sandbox when it starts and serves avatars, otherwise the stand-in.
struct PageServer {
    SandboxServer sandbox;
    std::unique_ptr<ScriptedHttpServerThread> standIn;
    QString base;
    QString kind;

    PageServer()
    {
        if (sandbox.start()
            && sandbox.request("GET", "/avatars/1.png").body.startsWith("\x89PNG")) {
            base = sandbox.baseUrl().toString();
            kind = QStringLiteral("velto-sandbox");
        } else {
            standIn = std::make_unique<ScriptedHttpServerThread>(serveAvatars);
            base = standIn->server().origin();
            kind = QStringLiteral("stand-in ScriptedHttpServer (velto-sandbox not answering)");
        }
        std::fprintf(
            stderr, "avatar page served by %s at %s\n", qPrintable(kind), qPrintable(base));
    }

    QUrl avatar(int n) const { return QUrl(base + QStringLiteral("/avatars/%1.png").arg(n)); }
};

PageServer &pageServer()
{
    static PageServer server;
    return server;
}

struct PageResult {
    double milliseconds = 0;
    int ok = 0;
    int fromCache = 0;
};

// The page as stream processing loads it: one avatar after the other.
PageResult loadPage(QNetworkAccessManager &manager, QNetworkRequest::CacheLoadControl control)
{
    PageResult result;
    QEventLoop loop;
    QElapsedTimer timer;
    std::function<void(int)> request = [&](int n) {
        QNetworkRequest req(pageServer().avatar(n));
        req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, control);
        QNetworkReply *reply = manager.get(req);
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, n] {
            if (reply->error() == QNetworkReply::NoError && reply->readAll().startsWith("\x89PNG"))
                ++result.ok;
            if (reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool())
                ++result.fromCache;
            reply->deleteLater();
            if (n + 1 < kPageSize)
                request(n + 1);
            else
                loop.quit();
        });
    };
    timer.start();
    request(0);
    loop.exec();
    result.milliseconds = timer.nsecsElapsed() / 1e6;
    return result;
}

struct CachedPage {
    QTemporaryDir dir;
    std::unique_ptr<SDURLCache> cache;
    QNetworkAccessManager manager;

    CachedPage()
    {
        cache = std::make_unique<SDURLCache>(
            5242880, 52428800, dir.path() + QStringLiteral("/SDURLCache"));
        cache->installOn(manager);
        loadPage(manager, QNetworkRequest::PreferCache); // the first load fills the cache
        cache->waitForPendingDiskWork();
    }

    // A fresh start on the same folder: every avatar comes from disk.
    void restart()
    {
        cache = std::make_unique<SDURLCache>(
            5242880, 52428800, dir.path() + QStringLiteral("/SDURLCache"));
        cache->installOn(manager);
    }
};

// Loopback without the cache and the cached page, measured in the same run.
void BM_AvatarPage_CachedVsLoopback(benchmark::State &state)
{
    pageServer();
    CachedPage cached;
    QNetworkAccessManager plain; // no cache at all
    double loopbackTotal = 0, cachedTotal = 0;
    int served = 0;
    for (auto _ : state) {
        const PageResult network = loadPage(plain, QNetworkRequest::AlwaysNetwork);
        const PageResult fromCache = loadPage(cached.manager, QNetworkRequest::PreferCache);
        if (network.ok != kPageSize || fromCache.ok != kPageSize)
            state.SkipWithError("a request failed");
        state.SetIterationTime(fromCache.milliseconds / 1000.0);
        loopbackTotal += network.milliseconds;
        cachedTotal += fromCache.milliseconds;
        served += fromCache.fromCache;
    }
    const double n = double(state.iterations());
    state.counters["loopback_ms"] = loopbackTotal / n;
    state.counters["cached_ms"] = cachedTotal / n;
    state.counters["ratio"] = loopbackTotal / cachedTotal;
    state.counters["from_cache"] = served / n;
}
BENCHMARK(BM_AvatarPage_CachedVsLoopback)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// The cached page right after a start: every avatar is a disk hit.
void BM_AvatarPage_FromDiskAfterRestart(benchmark::State &state)
{
    pageServer();
    CachedPage cached;
    for (auto _ : state) {
        state.PauseTiming();
        cached.restart();
        state.ResumeTiming();
        const PageResult page = loadPage(cached.manager, QNetworkRequest::PreferCache);
        if (page.fromCache != kPageSize)
            state.SkipWithError("not every avatar came from the cache");
        state.SetIterationTime(page.milliseconds / 1000.0);
    }
}
BENCHMARK(BM_AvatarPage_FromDiskAfterRestart)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same page through the plain lookup stream processing calls.
void BM_AvatarPage_DirectLookups(benchmark::State &state)
{
    pageServer();
    CachedPage cached;
    for (auto _ : state) {
        int found = 0;
        for (int n = 0; n < kPageSize; ++n) {
            QNetworkRequest req(pageServer().avatar(n));
            req.setAttribute(
                QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
            found += cached.cache->cachedResponseForRequest(req).has_value();
        }
        if (found != kPageSize)
            state.SkipWithError("lookup missed");
    }
}
BENCHMARK(BM_AvatarPage_DirectLookups)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
