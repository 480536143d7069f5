#include "FuzzHarness.h"

#include "core/Preferences.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>

// Every input is held to the program's budget: at most 100 ms of processor
// time per megabyte and at most 20 times its size in heap memory at any
// moment. The sanitizers and the coverage counters make these parsers 5 to 21
// times slower than the program as shipped (measured on dense pages and
// texts), so the time allowed here is 25 times the budget, plus a floor for
// the fixed cost of one call (a worker thread, an event loop); the memory
// allowed has a floor for the fixed cost of the objects one call makes. Work
// that grows faster than its input fails at once; a constant factor above the
// budget needs a build without sanitizers to see. libFuzzer's own -timeout,
// -rss_limit_mb and -malloc_limit_mb (scripts/fuzz.sh) bound the same from
// outside, coarsely.
namespace {

constexpr double budgetMsPerMegabyte = 100.0;
constexpr double sanitizerSlowdown = 25.0;
constexpr double timeFloorMs = 50.0;
constexpr std::int64_t memoryFactor = 20;
constexpr std::int64_t memoryFloorBytes = 1 << 20;

std::atomic<std::int64_t> liveBytes { 0 };
std::atomic<std::int64_t> peakBytes { 0 };

void countMalloc(const volatile void *, std::size_t size)
{
    const std::int64_t now = liveBytes.fetch_add(std::int64_t(size)) + std::int64_t(size);
    std::int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) { }
}

void countFree(const volatile void *pointer)
{
    if (pointer && __sanitizer_get_ownership(const_cast<const void *>(pointer)))
        liveBytes.fetch_sub(
            std::int64_t(__sanitizer_get_allocated_size(const_cast<const void *>(pointer))));
}

double processCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

QTemporaryDir *home = nullptr;

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

} // namespace

namespace fuzz {

QString scratchFile(const char *name)
{
    return home->filePath(QString::fromLatin1(name));
}

QString writeScratchFile(const char *name, QByteArrayView bytes)
{
    const QString path = scratchFile(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(bytes.data(), bytes.size());
    return path;
}

Dispatch dispatch(QByteArrayView input, int count)
{
    if (input.isEmpty())
        return {};
    return { int(quint8(input.front())) % count, input.sliced(1) };
}

} // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // The program's files go to a private folder, never the user's.
    home = new QTemporaryDir();
    if (!home->isValid())
        std::abort();
    for (const char *folder : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" }) {
        const QString path = home->filePath(QString::fromLatin1(folder));
        QDir().mkpath(path);
        qputenv(folder, QFile::encodeName(path));
    }
    qputenv("HOME", QFile::encodeName(home->path()));
    static QGuiApplication app(*argc, *argv);
    QGuiApplication::setApplicationName(QStringLiteral("Velto"));
    // The parsers log what they refuse; millions of such lines say nothing.
    if (qEnvironmentVariableIsEmpty("VELTO_FUZZ_LOG"))
        qInstallMessageHandler(dropMessages);
    for (const QByteArray &input : fuzz::warmUpInputs)
        fuzz::fuzzOne(input);
    __sanitizer_install_malloc_and_free_hooks(countMalloc, countFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::int64_t liveBefore = liveBytes.load();
    peakBytes.store(liveBefore);
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    double started = processCpuMs();
    fuzz::fuzzOne(input);
    double spentMs = processCpuMs() - started;
    const double megabytes = double(size) / (1024.0 * 1024.0);
    const double allowedMs = timeFloorMs + budgetMsPerMegabyte * sanitizerSlowdown * megabytes;
    // A busy machine can cost one run three times its time; an input that is
    // really slow is slow again.
    if (spentMs > allowedMs) {
        started = processCpuMs();
        fuzz::fuzzOne(input);
        spentMs = std::min(spentMs, processCpuMs() - started);
    }
    if (spentMs > allowedMs) {
        std::fprintf(stderr, "budget: %zu bytes took %.1f ms of processor time (allowed %.1f)\n",
            size, spentMs, allowedMs);
        std::abort();
    }
    const std::int64_t grew = peakBytes.load() - liveBefore;
    const std::int64_t allowedBytes = memoryFloorBytes + memoryFactor * std::int64_t(size);
    // VELTO_FUZZ_BUDGET=1 prints what each input cost, to see how near the
    // budget the worst inputs come.
    static const bool report = qEnvironmentVariableIntValue("VELTO_FUZZ_BUDGET") != 0;
    if (report) {
        std::fprintf(stderr,
            "cost: %zu bytes took %.1f ms (allowed %.1f) and held %lld bytes (allowed %lld)\n",
            size, spentMs, allowedMs, static_cast<long long>(grew),
            static_cast<long long>(allowedBytes));
    }
    if (grew > allowedBytes) {
        std::fprintf(stderr, "budget: %zu bytes held %lld bytes of heap at once (allowed %lld)\n",
            size, static_cast<long long>(grew), static_cast<long long>(allowedBytes));
        std::abort();
    }
    return 0;
}
