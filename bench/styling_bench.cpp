// Styling of post texts as a page of posts is processed: posts per second
// (items_per_second), median of the repetitions. Also the text measurement
// the list does for every row when its width changes, and one megabyte of
// text packed with hashtags, mentions and links.
#include "BenchProfile.h"

#include "core/Preferences.h"
#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"

#include <QGuiApplication>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

// Posts as the service sends them: words, mentions, hashtags, links with and
// without a scheme, now and then an emoji or a line break; 40 to 256 units.
QList<QString> typicalPosts(int count)
{
    static const char *words[]
        = { "the", "new", "release", "is", "out", "and", "it", "works", "great", "for", "me",
              "today", "thanks", "everyone", "who", "helped", "with", "testing", "this", "week",
              "coffee", "meeting", "later", "what", "do", "you", "think", "about", "it?" };
    static const char *entities[] = { "@marta", "@amy_k", "#streams", "#coffee", "#dev-news",
        "http://example.com/p/123", "https://posts.example.net/marta/post/42#replies",
        "www.example.org", "bit.ly/x2Yz", "mail@example.com", "\U0001F600", "\n" };
    QRandomGenerator random(42);
    QList<QString> posts;
    posts.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int length = 40 + random.bounded(217);
        QString text;
        while (text.size() < length) {
            if (!text.isEmpty())
                text += QLatin1Char(' ');
            if (random.bounded(6) == 0)
                text += QString::fromUtf8(entities[random.bounded(int(std::size(entities)))]);
            else
                text += QString::fromLatin1(words[random.bounded(int(std::size(words)))]);
        }
        posts.append(text.left(256));
    }
    return posts;
}

const QList<QString> &posts()
{
    static const QList<QString> texts = typicalPosts(10000);
    return texts;
}

// attributedStringFromString: reads the font size preference for every post.
void BM_StyleTenThousandPosts(benchmark::State &state)
{
    const QList<QString> &texts = posts();
    for (auto _ : state) {
        for (const QString &text : texts) {
            StyledText styled = attributedStringFromString(text);
            benchmark::DoNotOptimize(styled);
        }
    }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StyleTenThousandPosts)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The same with the font size handed in (worker threads style this way).
void BM_StyleTenThousandPostsWithoutPreferences(benchmark::State &state)
{
    const QList<QString> &texts = posts();
    for (auto _ : state) {
        for (const QString &text : texts) {
            StyledText styled = PostTextStyling::styledText(text, 0);
            benchmark::DoNotOptimize(styled);
        }
    }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StyleTenThousandPostsWithoutPreferences)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Heights of a page of 200 styled posts at a new list width.
void BM_HeightsOfAPageAtANewWidth(benchmark::State &state)
{
    QList<StyledText> page;
    for (int i = 0; i < 200; ++i)
        page.append(PostTextStyling::styledText(posts().at(i), 0));
    qreal width = 300;
    for (auto _ : state) {
        width = width > 600 ? 300 : width + 7;
        qreal total = 0;
        for (const StyledText &text : page)
            total += heightForWidth(text, width);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_HeightsOfAPageAtANewWidth)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// A megabyte of "#tag @alice a.com " over and over: every word a mark. The
// styled text and its runs, as the fuzzers check them; the time of one
// iteration is the time per megabyte, whose budget is 100 ms.
void BM_StyleOneMegabyteOfDenseEntities(benchmark::State &state)
{
    constexpr int megabyte = 1 << 20;
    const QString dense = QStringLiteral("#tag @alice a.com ").repeated(megabyte / 18 + 1);
    const QString text = dense.left(megabyte);
    for (auto _ : state) {
        const StyledText styled = PostTextStyling::styledText(text, 0);
        benchmark::DoNotOptimize(styled.runs());
    }
}
BENCHMARK(BM_StyleOneMegabyteOfDenseEntities)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Velto"));
    Preferences::standard().setValue(prefs::prefsFontSize, 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
