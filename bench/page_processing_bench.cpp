// A page of 200 posts with 200 distinct avatars becoming post records:
//  - warm: every avatar already in the disk cache (a fresh cache object over
//    the filled folder, so nothing comes from memory); from the parsed answer
//    to the installed, sorted model, with the longest stretch the event loop
//    went without running;
//  - cold: an empty cache, avatars from the sandbox over loopback, against
//    fetching and decoding them one after the other on the main thread;
//  - distant: 12 posts with 12 avatars from an image host that answers after
//    0.3 s, side by side against one after the other, and the same page with
//    one avatar that trickles a byte a second (held for its 3 s deadline).
// Run: build/bench/page_processing_bench   (prints medians of 15 runs)
#include "BenchProfile.h"
#include "SandboxServer.h"

#include "service/AvatarImages.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "support/cache/SDURLCache.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPosts = 200;
constexpr int kRuns = 15;

QJsonArray makePage(const QString &base, int count = kPosts)
{
    const QString texts[] = {
        QStringLiteral("Morning run done: 4k along the river. #running @mei"),
        QStringLiteral("Reading https://docs.example.io/talks/qt-at-scale and nodding a lot."),
        QStringLiteral("@demo @noah lunch on Friday? 😀"),
        QStringLiteral("Cooking risotto tonight. Recipe: example.net/gallery#top #cooking"),
    };
    QJsonArray page;
    for (int i = 0; i < count; ++i) {
        QJsonObject avatar;
        avatar.insert(
            QStringLiteral("url"), QString(base + QStringLiteral("/avatars/bench%1.png").arg(i)));
        QJsonObject user;
        user.insert(QStringLiteral("id"), QString::number(100 + i));
        user.insert(QStringLiteral("username"), QStringLiteral("user%1").arg(i));
        user.insert(QStringLiteral("avatar_image"), avatar);
        QJsonObject post;
        post.insert(QStringLiteral("id"), QString::number(1000 + i));
        post.insert(QStringLiteral("created_at"),
            QStringLiteral("2026-11-%1T%2:00:00Z")
                .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                .arg(i % 24, 2, 10, QLatin1Char('0')));
        post.insert(QStringLiteral("text"), texts[i % 4]);
        post.insert(QStringLiteral("user"), user);
        page.append(post);
    }
    return page;
}

struct Run {
    double pageMs = 0; // the posts are in the sorted model
    double totalMs = 0; // and every avatar with them
    double longestStallMs = 0;
    int withAvatar = 0;
};

// Processes the page and installs it in a model, then puts the avatars in as
// they arrive, measuring the wall time to each and the longest gap between
// two turns of the event loop.
Run processPage(SDURLCache *cache, QNetworkAccessManager &manager, const QJsonArray &page)
{
    PostPageProcessor processor(cache, &manager);
    PostsArrayController posts;
    Run run;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestStallMs = std::max(run.longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    QEventLoop loop;
    const auto done = [&] {
        run.totalMs = clock.nsecsElapsed() / 1e6;
        loop.quit();
    };
    QObject::connect(
        &processor, &PostPageProcessor::finished, [&](const QList<PostRecord> &records) {
            posts.setContent(records);
            posts.rearrangeObjects();
            run.pageMs = clock.nsecsElapsed() / 1e6;
            if (!processor.isFetchingAvatars())
                done();
        });
    QObject::connect(
        &processor, &PostPageProcessor::avatarArrived, posts.model(), &PostsModel::putAvatar);
    QObject::connect(&processor, &PostPageProcessor::avatarsSettled, done);
    clock.start();
    sinceTick.start();
    ticker.start();
    processor.process(page, 0);
    loop.exec();
    ticker.stop();
    for (int row = 0; row < posts.count(); ++row)
        run.withAvatar += posts.arrangedObject(row)->theAvatarImage.isNull() ? 0 : 1;
    return run;
}

// The text's way: one avatar after the other, each stored in the cache and
// decoded before the next is asked for.
double sequentialPage(
    QNetworkAccessManager &manager, const QJsonArray &page, SDURLCache *cache = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    for (const QJsonValue &value : page) {
        const QString url = value.toObject()
                                .value(QStringLiteral("user"))
                                .toObject()
                                .value(QStringLiteral("avatar_image"))
                                .toObject()
                                .value(QStringLiteral("url"))
                                .toString();
        QNetworkRequest request { QUrl(url) };
        request.setAttribute(
            QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        QNetworkReply *reply = manager.get(request);
        QEventLoop wait;
        QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
        wait.exec();
        const QByteArray body = reply->readAll();
        if (cache)
            cache->storeCachedResponse(CachedURLResponse::fromReply(*reply, body), request);
        AvatarImages::fittedAvatar(body);
        reply->deleteLater();
    }
    return clock.nsecsElapsed() / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    QApplication app(argc, argv);
    SandboxServer sandbox;
    if (!sandbox.start()) {
        std::fprintf(stderr, "cannot start the sandbox\n");
        return 1;
    }
    const QJsonArray page = makePage(sandbox.baseUrl().toString());
    QNetworkAccessManager manager;

    // Let the sandbox draw every avatar once, so both cold measurements
    // compare fetching, not the sandbox's drawing.
    sequentialPage(manager, page);

    std::vector<double> cold, coldShown, coldStall, sequential;
    for (int i = 0; i < kRuns; ++i) {
        QTemporaryDir dir;
        SDURLCache cache(5242880, 52428800, dir.path());
        QNetworkAccessManager fresh;
        const Run run = processPage(&cache, fresh, page);
        cold.push_back(run.totalMs);
        coldShown.push_back(run.pageMs);
        coldStall.push_back(run.longestStallMs);
        QTemporaryDir otherDir;
        SDURLCache otherCache(5242880, 52428800, otherDir.path());
        QNetworkAccessManager another;
        sequential.push_back(sequentialPage(another, page, &otherCache));
    }

    QTemporaryDir warmDir;
    {
        SDURLCache filler(5242880, 52428800, warmDir.path());
        processPage(&filler, manager, page);
        filler.waitForPendingDiskWork();
    }
    std::vector<double> warm, warmStall;
    int warmAvatars = 0;
    for (int i = 0; i < kRuns; ++i) {
        SDURLCache cache(5242880, 52428800, warmDir.path()); // nothing in memory yet
        const Run run = processPage(&cache, manager, page);
        warm.push_back(run.totalMs);
        warmStall.push_back(run.longestStallMs);
        warmAvatars = run.withAvatar;
    }

    // A distant image host: every answer 0.3 s late.
    constexpr int kDistantPosts = 12;
    constexpr int kDistantRuns = 5;
    const QJsonArray distantPage = makePage(sandbox.baseUrl().toString(), kDistantPosts);
    sandbox.setLatency(300);
    std::vector<double> distant, distantShown, distantSequential, distantStuck, stuckShown;
    int stuckAvatars = 0;
    for (int i = 0; i < kDistantRuns; ++i) {
        QNetworkAccessManager fresh;
        const Run run = processPage(nullptr, fresh, distantPage);
        distant.push_back(run.totalMs);
        distantShown.push_back(run.pageMs);
        QNetworkAccessManager another;
        distantSequential.push_back(sequentialPage(another, distantPage));
        sandbox.injectTrickle(QStringLiteral("/avatars/bench5.png"), 1000);
        QNetworkAccessManager third;
        const Run stuck = processPage(nullptr, third, distantPage);
        distantStuck.push_back(stuck.totalMs);
        stuckShown.push_back(stuck.pageMs);
        stuckAvatars = stuck.withAvatar;
        sandbox.clearFaults();
    }
    sandbox.setLatency(0);

    std::printf(
        "page of %d posts, %d distinct avatars, medians of %d runs\n", kPosts, kPosts, kRuns);
    std::printf("warm disk cache: %.1f ms to the sorted model (%d avatars), longest event-loop "
                "stall %.1f ms\n",
        median(warm), warmAvatars, median(warmStall));
    std::printf("cold cache over loopback: posts in the model after %.1f ms, every avatar after "
                "%.1f ms, longest event-loop stall %.1f ms\n",
        median(coldShown), median(cold), median(coldStall));
    std::printf("one after the other (the text's way): %.1f ms; ratio %.1fx\n", median(sequential),
        median(sequential) / median(cold));
    std::printf("distant image host (0.3 s per answer), %d avatars, medians of %d runs: posts "
                "shown after %.1f ms; every avatar side by side %.1f ms, one after the other "
                "%.1f ms; ratio %.1fx\n",
        kDistantPosts, kDistantRuns, median(distantShown), median(distant),
        median(distantSequential), median(distantSequential) / median(distant));
    std::printf("same page with one avatar that never finishes: posts shown after %.1f ms, the "
                "last avatar given up after %.1f ms (%d of %d avatars)\n",
        median(stuckShown), median(distantStuck), stuckAvatars, kDistantPosts);
    return 0;
}
