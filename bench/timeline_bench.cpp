// The timeline list: row heights of a page at a new list width, and painting
// while a 200-post list scrolls from top to bottom on the offscreen platform,
// also with every post showing one to four thumbnails from the sandbox's image
// host (they arrive while the first pass scrolls; the events are handled
// between frames, outside the timing).
// Figures are medians: of the repetitions for the heights, of the frames for
// the scrolling (reported as the counters frame_median_ms and frame_p95_ms).
#include "BenchProfile.h"
#include "SandboxServer.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/ThumbnailLoader.h"
#include "text/PostTextStyling.h"
#include "views/TimelineDelegate.h"
#include "views/TimelineListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// Texts as posts are written: words, mentions, hashtags, links, now and then
// an emoji or a line break, up to `maxLength` units.
QString postText(QRandomGenerator &random, int minLength, int maxLength)
{
    static const char *words[]
        = { "the", "new", "release", "is", "out", "and", "it", "works", "great", "for", "me",
              "today", "thanks", "everyone", "who", "helped", "with", "testing", "this", "week",
              "coffee", "meeting", "later", "what", "do", "you", "think", "about", "it?" };
    static const char *entities[] = { "@marta", "@amy_k", "#streams", "#coffee", "#dev-news",
        "http://example.com/p/123", "https://posts.example.net/marta/post/42#replies",
        "www.example.org", "\U0001F600", "\n" };
    const int length = minLength + random.bounded(maxLength - minLength + 1);
    QString text;
    while (text.size() < length) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        if (random.bounded(6) == 0)
            text += QString::fromUtf8(entities[random.bounded(int(std::size(entities)))]);
        else
            text += QString::fromLatin1(words[random.bounded(int(std::size(words)))]);
    }
    return text.left(maxLength);
}

// Resident memory of the process now, in MB (Linux).
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

QImage avatar(int seed)
{
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((seed * 37) % 360, 120, 200));
    return image;
}

// Posts of `minLength` to `maxLength` units; with a `pictureHost`, each also
// links one to four pictures there, every one a different address.
QList<PostRecord> page(int count, int minLength, int maxLength, const QString &pictureHost = {})
{
    QRandomGenerator random(7);
    QList<PostRecord> records;
    for (int i = 0; i < count; ++i) {
        QString text = postText(random, minLength, maxLength);
        for (int p = 0; !pictureHost.isEmpty() && p <= i % 4; ++p)
            text += QStringLiteral(" %1/img/sample-%2.png?n=%3")
                        .arg(pictureHost)
                        .arg((i + p) % 8 + 1)
                        .arg(i * 4 + p);
        QJsonObject user { { QStringLiteral("id"), QString::number(100 + i % 17) },
            { QStringLiteral("username"), QStringLiteral("user%1").arg(i % 17) },
            { QStringLiteral("name"), QStringLiteral("User Number %1").arg(i % 17) } };
        const QString created
            = QDateTime(QDate(2013, 5, 1), QTime(12, 0)).addSecs(-60 * i).toString(Qt::ISODate);
        PostRecord record = PostRecord::fromJson(
            QJsonObject { { QStringLiteral("id"), QString::number(5000 + i) },
                { QStringLiteral("created_at"), created }, { QStringLiteral("text"), text },
                { QStringLiteral("user"), user } });
        record.attributedString = PostTextStyling::styledText(text, 0);
        record.theAvatarImage = avatar(i % 17);
        records.append(record);
    }
    return records;
}

// Every iteration is a width the cache has not seen lately.
void rowHeightsAtNewWidths(benchmark::State &state, int minLength, int maxLength)
{
    PostsArrayController posts;
    posts.setContent(page(200, minLength, maxLength));
    TimelineDelegate delegate;
    QAbstractItemModel *model = posts.arranged();
    int width = 320;
    for (auto _ : state) {
        width = width >= 1200 ? 320 : width + 3;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, width, 0);
        qint64 total = 0;
        for (int row = 0; row < model->rowCount(); ++row)
            total += delegate.sizeHint(option, model->index(row, 0)).height();
        benchmark::DoNotOptimize(total);
    }
    state.counters["measured"]
        = double(delegate.textCache().measurements()) / double(state.iterations());
}

void BM_RowHeightsOf200PostsAtANewWidth(benchmark::State &state)
{
    rowHeightsAtNewWidths(state, 40, 256);
}
BENCHMARK(BM_RowHeightsOf200PostsAtANewWidth)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Not a target: the worst page the list must survive.
void BM_RowHeightsOf200LongPostsAtANewWidth(benchmark::State &state)
{
    rowHeightsAtNewWidths(state, 10000, 10000);
}
BENCHMARK(BM_RowHeightsOf200LongPostsAtANewWidth)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// One iteration scrolls the whole list, top to bottom, `step` pixels a
// frame, painting the viewport fully each frame; the manual time is the
// median frame.
void scrollTopToBottom(benchmark::State &state, int minLength, int maxLength, int step,
    const QString &pictureHost = {})
{
    PostsArrayController posts;
    posts.setContent(page(200, minLength, maxLength, pictureHost));
    QWidget window;
    window.resize(420, 640);
    auto *list = new TimelineListView(&window);
    list->setGeometry(window.rect());
    list->setPostsController(&posts);
    window.show();
    posts.setSelectionIndex(3);
    QCoreApplication::processEvents();
    list->doItemsLayout();

    QScrollBar *bar = list->verticalScrollBar();
    QList<double> frames;
    QList<double> firstPass;
    QList<double> laterPasses;
    for (auto _ : state) {
        QList<double> pass;
        for (int value = 0; value <= bar->maximum(); value += step) {
            bar->setValue(value);
            QElapsedTimer timer;
            timer.start();
            list->viewport()->repaint();
            pass.append(double(timer.nsecsElapsed()) / 1e6);
            if (!pictureHost.isEmpty())
                QCoreApplication::processEvents();
        }
        frames += pass;
        std::sort(pass.begin(), pass.end());
        if (firstPass.isEmpty())
            firstPass = pass;
        else
            laterPasses += pass;
        state.SetIterationTime(pass.at(pass.size() / 2) / 1e3);
    }
    std::sort(frames.begin(), frames.end());
    state.counters["frames"] = double(frames.size());
    state.counters["frame_median_ms"] = frames.at(frames.size() / 2);
    state.counters["frame_p95_ms"] = frames.at(frames.size() * 95 / 100);
    state.counters["frame_max_ms"] = frames.last();
    // The first pass is the one during which thumbnails arrive; the later
    // ones find them in memory.
    state.counters["first_pass_p95_ms"] = firstPass.at(firstPass.size() * 95 / 100);
    if (!laterPasses.isEmpty()) {
        std::sort(laterPasses.begin(), laterPasses.end());
        state.counters["later_passes_p95_ms"] = laterPasses.at(laterPasses.size() * 95 / 100);
    }
    state.counters["rss_mb"] = residentMegabytes();
    if (!pictureHost.isEmpty()) {
        int pictures = 0;
        int ready = 0;
        for (int row = 0; row < posts.count(); ++row) {
            for (const QUrl &url :
                list->timelineDelegate()->picturesOf(*posts.arrangedObject(row))) {
                ++pictures;
                ready += list->thumbnails()->state(url) == ThumbnailLoader::State::Ready;
            }
        }
        state.counters["pictures"] = pictures;
        state.counters["thumbnails_in_memory"] = ready;
    }
}

void BM_ScrollingA200PostListWithPicturesTopToBottom(benchmark::State &state)
{
    SandboxServer sandbox;
    if (!sandbox.start({ QStringLiteral("--latency"), QStringLiteral("100") })) {
        state.SkipWithError("the sandbox did not start");
        return;
    }
    OutsideAddresses addresses = OutsideAddresses::current();
    addresses.imageHostBase = sandbox.baseUrl().toString();
    OutsideAddresses::setCurrent(addresses);
    scrollTopToBottom(state, 40, 256, 40, addresses.imageHostBase);
}
BENCHMARK(BM_ScrollingA200PostListWithPicturesTopToBottom)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3);

void BM_ScrollingA200PostListTopToBottom(benchmark::State &state)
{
    scrollTopToBottom(state, 40, 256, 40);
}
BENCHMARK(BM_ScrollingA200PostListTopToBottom)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3);

void BM_ScrollingA200LongPostListTopToBottom(benchmark::State &state)
{
    scrollTopToBottom(state, 10000, 10000, 400);
}
BENCHMARK(BM_ScrollingA200LongPostListTopToBottom)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velto"));
    Preferences::standard().setValue(prefs::meID, QStringLiteral("103"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
