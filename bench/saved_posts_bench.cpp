// Saving a post when 5,000 are saved already: what the window waits for (the
// record kept and its entry made, the write handed to the worker thread)
// against the whole write of the file, which the worker does meanwhile; how
// long a save is only in memory (from the save until its file is on disk,
// with 100 and with 5,000 saved; a save made during a write waits for that
// write too, so at worst about twice that); and reading the 5,000 back at
// start-up.
// Run: build/bench/saved_posts_bench --benchmark_repetitions=5
// --benchmark_report_aggregates_only=true
#include "service/SavedPostList.h"
#include "text/StyledText.h"

#include <QCoreApplication>
#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSaved = 5000;

PostRecord post(int i)
{
    const QJsonObject user { { QStringLiteral("id"), QString::number(i % 50) },
        { QStringLiteral("username"), QStringLiteral("user%1").arg(i % 50) },
        { QStringLiteral("name"), QStringLiteral("User Number %1").arg(i % 50) } };
    PostRecord r
        = PostRecord::fromJson(QJsonObject { { QStringLiteral("id"), QString::number(100000 + i) },
            { QStringLiteral("created_at"),
                QStringLiteral("2024-05-01T10:%1:00Z").arg(i % 60, 2, 10, QLatin1Char('0')) },
            { QStringLiteral("text"),
                QStringLiteral("Post %1 about #things with @someone and a link example.com/%1 ")
                    .arg(i)
                    .repeated(3) },
            { QStringLiteral("user"), user }, { QStringLiteral("num_replies"), i % 7 } });
    r.attributedString = StyledText(r.text());
    QImage picture(48, 48, QImage::Format_ARGB32);
    picture.fill(QColor::fromHsv((i * 37) % 360, 160, 200));
    r.theAvatarImage = picture;
    return r;
}

void fill(SavedPostList &list, const QString &path, int count = kSaved)
{
    list.load(path, 0);
    for (int i = 0; i < count; ++i)
        list.append(post(i));
    list.waitForWrites();
}

void BM_SaveOneMoreWhatTheWindowWaitsFor(benchmark::State &state)
{
    QTemporaryDir dir;
    SavedPostList list;
    fill(list, dir.filePath(QStringLiteral("Saved.mdb")));
    int next = kSaved;
    for (auto _ : state) {
        const PostRecord r = post(next++);
        const bool saved = !list.contains(r) && list.append(r);
        benchmark::DoNotOptimize(saved);
        state.PauseTiming();
        list.waitForWrites();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveOneMoreWhatTheWindowWaitsFor)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SaveOneMoreUntilItIsOnDisk(benchmark::State &state)
{
    QTemporaryDir dir;
    SavedPostList list;
    fill(list, dir.filePath(QStringLiteral("Saved.mdb")), int(state.range(0)));
    int next = kSaved;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.append(post(next++)));
        list.waitForWrites();
    }
}
BENCHMARK(BM_SaveOneMoreUntilItIsOnDisk)
    ->Arg(100)
    ->Arg(kSaved)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_WriteTheWholeFile(benchmark::State &state)
{
    QTemporaryDir dir;
    SavedPostList list;
    fill(list, dir.filePath(QStringLiteral("Saved.mdb")));
    for (auto _ : state)
        benchmark::DoNotOptimize(list.save());
}
BENCHMARK(BM_WriteTheWholeFile)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadTheFileAtStartUp(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Saved.mdb"));
    {
        SavedPostList list;
        fill(list, path);
    }
    for (auto _ : state) {
        SavedPostList list;
        list.load(path, 0);
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_ReadTheFileAtStartUp)->Unit(benchmark::kMillisecond)->Iterations(3);

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
