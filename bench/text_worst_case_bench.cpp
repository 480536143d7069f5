// The text parsers on a megabyte of the most hostile text we can think of:
// the time of one iteration is the time per megabyte of UTF-8, whose budget is
// 100 ms. Each input is read as the fuzz target reads it; each stage is one
// thing the program or the target does with it:
//   Links     LinkDetector::detect over the whole text
//   Tags      the hashtag and mention ranges over the whole text
//   Marked    the whole text marked (markEntities) and cut into runs
//   Post      the styled text of a post's row (styledPostText) and its runs
// Run with --benchmark_filter=<stage>/<input> to pick some.
#include "BenchProfile.h"

#include "text/EntityMarking.h"
#include "text/LinkDetector.h"
#include "text/PostTextStyling.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

constexpr int megabyte = 1 << 20;

QString megabyteOf(const QByteArray &piece)
{
    const QByteArray bytes = piece.repeated(megabyte / piece.size() + 1).left(megabyte);
    return QString::fromUtf8(bytes);
}

QString around(const QByteArray &head, char filler, const QByteArray &tail = {})
{
    QByteArray bytes = head + QByteArray(megabyte - head.size() - tail.size(), filler) + tail;
    return QString::fromUtf8(bytes);
}

struct Input {
    const char *name;
    std::function<QString()> make;
};

const Input inputs[] = {
    { "DenseMarks", [] { return megabyteOf("#tag @alice a.com "); } },
    { "Hashtags", [] { return megabyteOf("#a"); } },
    { "Mentions", [] { return megabyteOf("@a"); } },
    { "BareLinks", [] { return megabyteOf("a.co "); } },
    { "SchemeLinks", [] { return megabyteOf("http://a.co/b "); } },
    { "WwwLinks", [] { return megabyteOf("www.ab.cd "); } },
    { "Emails", [] { return megabyteOf("a@b.co "); } },
    { "SchemesWithoutHost", [] { return megabyteOf("http://-"); } },
    { "SchemesWithBadPort", [] { return megabyteOf("http://a:b/"); } },
    { "WwwWithoutDomain", [] { return megabyteOf("www.1-"); } },
    { "LongLocalParts", [] { return megabyteOf(QByteArray(64, 'a') + ' '); } },
    { "Dots", [] { return megabyteOf("a."); } },
    { "Punctuation", [] { return megabyteOf(".,:;!?'\"*"); } },
    { "ClosingBrackets", [] { return around("http://a.co/(", ')'); } },
    { "OpeningBrackets", [] { return around("http://a.co/", '('); } },
    { "HugeWord", [] { return around({}, 'a'); } },
    { "HugeLink", [] { return around("a.co/", 'a'); } },
    { "CombiningMarks", [] { return megabyteOf("a.co\u0301/e\u0301 "); } },
    { "Emoji", [] { return megabyteOf("\U0001F600#\U0001F600@"); } },
    { "OddUnicode", [] { return megabyteOf("\u212A.\u017F\u00E9@\u0130#\u200F"); } },
};

void detectLinks(const QString &text)
{
    benchmark::DoNotOptimize(LinkDetector::detect(text));
}

void findTagsAndMentions(const QString &text)
{
    benchmark::DoNotOptimize(EntityMarking::hashtagRanges(text));
    benchmark::DoNotOptimize(EntityMarking::mentionRanges(text));
}

void markWholeText(const QString &text)
{
    StyledText marked(text);
    EntityMarking::markEntities(marked);
    benchmark::DoNotOptimize(marked.runs());
}

void stylePost(const QString &text)
{
    const StyledText styled = PostTextStyling::styledPostText(text, 0);
    benchmark::DoNotOptimize(styled.runs());
}

struct Stage {
    const char *name;
    void (*run)(const QString &);
};

const Stage stages[] = {
    { "Links", detectLinks },
    { "Tags", findTagsAndMentions },
    { "Marked", markWholeText },
    { "Post", stylePost },
};

} // namespace

int main(int argc, char **argv)
{
    BenchProfile profile;
    QGuiApplication app(argc, argv);
    for (const Stage &stage : stages) {
        for (const Input &input : inputs) {
            const std::string name = std::string(stage.name) + "/" + input.name;
            benchmark::RegisterBenchmark(name.c_str(),
                [run = stage.run, make = input.make](benchmark::State &state) {
                    const QString text = make();
                    for (auto _ : state)
                        run(text);
                })
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
