// The window's worst stall while a hostile page loads and is shown. For each
// page a signed-in program (in this process, offscreen) asks a scripted
// service on its own thread for the personal stream; from the request until
// the page has faded in, scrolled to its end and been laid out at a second
// width, a 1-ms timer on the window's thread records the longest time it
// could not run. Each page runs kRuns times; the median of the worst stalls
// is printed, with the whole time to the painted page. Then the same meter
// over a refresh that merges 200 posts, 100 of them new, into 200 shown
// while the reader is down the list: from the refresh until the page is in
// and the reader's place is back.
// Run: build/bench/stall_bench [name part]   (one line per page, then the merge)
#include "BenchProfile.h"
#include "ScriptedHttpServer.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "support/PostStore.h"
#include "views/TimelineListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 5;

class SilentAlerts : public AlertPresenter {
public:
    int present(const Alert &) override { return 0; }
};

QJsonObject post(int id, const QString &text)
{
    return QJsonObject {
        { QStringLiteral("id"), QString::number(id) },
        { QStringLiteral("text"), text },
        { QStringLiteral("created_at"), QStringLiteral("2026-12-01T10:00:00Z") },
        { QStringLiteral("user"),
            QJsonObject { { QStringLiteral("id"), QString::number(1000 + id % 50) },
                { QStringLiteral("username"), QStringLiteral("user%1").arg(id % 50) },
                { QStringLiteral("name"), QStringLiteral("User %1").arg(id % 50) } } },
    };
}

QByteArray page(const QList<QString> &texts)
{
    QJsonArray posts;
    for (int i = 0; i < texts.size(); ++i)
        posts.append(post(int(texts.size() - i), texts[i]));
    return QJsonDocument(posts).toJson(QJsonDocument::Compact);
}

struct Page {
    const char *name;
    QByteArray body;
};

std::vector<Page> hostilePages()
{
    std::vector<Page> pages;
    QList<QString> ordinary;
    for (int i = 0; i < 200; ++i)
        ordinary
            << QStringLiteral("Post %1 about #coffee with @alice, see example.com/p/%1").arg(i);
    pages.push_back({ "200 ordinary posts", page(ordinary) });
    pages.push_back({ "one word of 200,000 characters", page({ QString(200000, u'w') }) });
    pages.push_back({ "\"#tag @alice a.com \" x 11,000",
        page({ QStringLiteral("#tag @alice a.com ").repeated(11000) }) });
    QList<QString> nearLimit;
    for (int i = 0; i < 1900; ++i)
        nearLimit << QStringLiteral("#tag @alice a.com ").repeated(230);
    pages.push_back({ "1,900 posts of 4 KB (7.9 MB)", page(nearLimit) });
    QList<QString> huge;
    for (int i = 0; i < 12000; ++i)
        huge << QStringLiteral("#tag @alice a.com ").repeated(230);
    pages.push_back({ "an answer of 50 MB", page(huge) });
    return pages;
}

// The longest time the thread could not serve a 1-ms timer.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_worst = std::max(m_worst, m_sinceLast.nsecsElapsed() / 1e6);
            m_sinceLast.restart();
        });
    }
    void start()
    {
        m_worst = 0;
        m_sinceLast.start();
        m_timer.start();
    }
    double worstMs() const { return std::max(m_worst, m_sinceLast.nsecsElapsed() / 1e6); }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    double m_worst = 0;
};

struct Run {
    double worstStallMs = 0;
    double shownMs = 0;
    int posts = 0;
    bool loaded = false;
};

void waitFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Signed in, against `server`.
void signInTo(const ScriptedHttpServer &server)
{
    Preferences &p = Preferences::standard();
    for (auto key : { prefs::firstStartEver, prefs::update042, prefs::update060, prefs::alphHint20,
             prefs::followVeltoAsked, prefs::isUserAuthDone })
        p.setValue(key, true);
    p.setValue(prefs::accessToken, QStringLiteral("bench-token"));
    qputenv("VELTO_API_BASE", server.url(QStringLiteral("/stream/0")).toString().toUtf8());
    qputenv("VELTO_PROBE_URL", server.url(QStringLiteral("/")).toString().toUtf8());
    OutsideAddresses::setCurrent(OutsideAddresses::load());
}

Run runOnce(const ScriptedHttpServer &server)
{
    signInTo(server);
    // Each run starts without a stored page, as the page's first showing.
    PostStore::removeFiles(PostStore::defaultPath());
    Run run;
    AppDelegate delegate;
    QSignalSpy finished(&delegate.streams(), &StreamLoader::streamLoadFinished);
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    meter.start();
    delegate.awakeFromNib();
    while (finished.isEmpty() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    run.loaded = !finished.isEmpty() && finished.first().at(0).toBool();
    // The fade-in, then the whole list scrolled past and laid out anew.
    waitFor(MainWindow::fadeListMs + 100);
    TimelineListView *list = delegate.window()->listView();
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    waitFor(50);
    delegate.window()->resize(delegate.window()->width() + 60, delegate.window()->height());
    waitFor(150);
    run.shownMs = clock.nsecsElapsed() / 1e6;
    run.worstStallMs = meter.worstMs();
    run.posts = delegate.postsArrayController()->count();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Posts `from` to `to`, newest first, a minute apart.
QByteArray datedPage(int from, int to)
{
    const QDateTime start(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
    QJsonArray posts;
    for (int id = to; id >= from; --id) {
        QJsonObject one = post(id, QStringLiteral("Post %1 about #coffee with @alice").arg(id));
        one.insert(QStringLiteral("created_at"), start.addSecs(60 * id).toString(Qt::ISODate));
        posts.append(one);
    }
    return QJsonDocument(posts).toJson(QJsonDocument::Compact);
}

// One refresh of 200 posts (101 to 300) over the 200 shown (1 to 200).
double mergeStall(const ScriptedHttpServer &server, std::atomic<int> &answer)
{
    answer = 0;
    signInTo(server);
    PostStore::removeFiles(PostStore::defaultPath());
    Preferences::standard().setValue(prefs::prefsStreamCount, 3);
    AppDelegate delegate;
    QSignalSpy finished(&delegate.streams(), &StreamLoader::streamLoadFinished);
    delegate.awakeFromNib();
    while (finished.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    waitFor(MainWindow::fadeListMs + 300);
    TimelineListView *list = delegate.window()->listView();
    list->scrollTo(list->model()->index(60, 0), QAbstractItemView::PositionAtTop);
    waitFor(200);
    const TimelineListView::ReadingPlace place = list->readingPlace();

    answer = 1;
    finished.clear();
    StallMeter meter;
    meter.start();
    delegate.streams().reloadShownStream();
    QElapsedTimer clock;
    clock.start();
    while ((finished.isEmpty() || list->readingPlace() != place) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    waitFor(100);
    if (delegate.postsArrayController()->count() != 300 || list->readingPlace() != place)
        std::fprintf(stderr, "the merge did not keep the place: %d posts, %s to %s, %d finished\n",
            delegate.postsArrayController()->count(),
            qPrintable(delegate.postsArrayController()->arrangedObject(0)->id()),
            qPrintable(delegate.postsArrayController()
                           ->arrangedObject(delegate.postsArrayController()->count() - 1)
                           ->id()),
            int(finished.size()));
    return meter.worstMs();
}

void measureMerge()
{
    std::atomic<int> answer { 0 };
    const QByteArray shown = datedPage(1, 200);
    const QByteArray refreshed = datedPage(101, 300);
    ScriptedHttpServerThread service([&](ScriptedHttpServer &server) {
        server.setKeepAlive(true);
        server.setHandler([&](const ScriptedHttpServer::Request &request) {
            if (request.path().startsWith("/stream/0/posts/stream"))
                return ScriptedHttpServer::Reply::json(200, answer ? refreshed : shown);
            if (request.path().startsWith("/stream/0/"))
                return ScriptedHttpServer::Reply::json(200, "{}");
            return ScriptedHttpServer::Reply::answer(200, "ok", "text/plain");
        });
    });
    std::vector<double> stalls;
    for (int i = 0; i < kRuns; ++i)
        stalls.push_back(mergeStall(service.server(), answer));
    std::printf("refresh merging 200 posts (100 new) into 200 shown: worst stall %.1f ms "
                "(median of %d; min %.1f, max %.1f)\n",
        median(stalls), kRuns, *std::min_element(stalls.begin(), stalls.end()),
        *std::max_element(stalls.begin(), stalls.end()));
}

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    QApplication app(argc, argv);
    alerts::setPresenter(std::make_unique<SilentAlerts>());
    std::printf(
        "worst stall of the window while a page loads and shows (median of %d runs)\n", kRuns);
    // An argument picks the pages whose names contain it.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    for (const Page &page : hostilePages()) {
        if (!QString::fromUtf8(page.name).contains(only))
            continue;
        const QByteArray body = page.body;
        ScriptedHttpServerThread service([body](ScriptedHttpServer &server) {
            server.setKeepAlive(true);
            server.setHandler([body](const ScriptedHttpServer::Request &request) {
                if (request.path().startsWith("/stream/0/posts/stream"))
                    return ScriptedHttpServer::Reply::json(200, body);
                if (request.path().startsWith("/stream/0/"))
                    return ScriptedHttpServer::Reply::json(200, "{}");
                return ScriptedHttpServer::Reply::answer(200, "ok", "text/plain");
            });
        });
        std::vector<double> stalls;
        std::vector<double> shown;
        Run last;
        for (int i = 0; i < kRuns; ++i) {
            last = runOnce(service.server());
            stalls.push_back(last.worstStallMs);
            shown.push_back(last.shownMs);
        }
        std::printf("%-34s %8.1f MB  worst stall %8.1f ms  shown after %8.1f ms  %s, %d posts\n",
            page.name, page.body.size() / 1e6, median(stalls), median(shown),
            last.loaded ? "loaded" : "refused", last.posts);
        std::fflush(stdout);
    }
    if (only.isEmpty() || QStringLiteral("merge").contains(only))
        measureMerge();
    return 0;
}
