// A process killed in the middle of its disk work leaves a cache the next
// start can use: every indexed entry reads back whole, and the index agrees
// with the folder.
#include "SDURLCacheTestFixture.h"

#include "TestSupport.h"
#include "support/cache/CacheEntryArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

namespace {

using cachetest::keepable;
using cachetest::request;

const char *const kFolderVariable = "VELTO_CACHE_CRASH_FOLDER";

// Not a test of its own (disabled, so a run of the suite leaves it out): the
// body of the child process started below.
TEST(SDURLCacheCrashChild, DISABLED_StoresUntilKilled)
{
    const QString folder = qEnvironmentVariable(kFolderVariable);
    ASSERT_FALSE(folder.isEmpty()) << "runs as the child of the test below";
    SDURLCache cache(5242880, 52428800, folder);
    const qint64 pid = QCoreApplication::applicationPid();
    for (int n = 0;; ++n) {
        const QString url = u"http://example.com/crash/%1/%2"_qs.arg(pid).arg(n);
        cache.storeCachedResponse(
            keepable(url, QByteArray(20000 + n % 97, char('a' + n % 26))), request(url));
        if (n % 7 == 3)
            cache.removeCachedResponseForRequest(
                request(u"http://example.com/crash/%1/%2"_qs.arg(pid).arg(n - 2)));
        if (n % 16 == 15)
            cache.waitForPendingDiskWork();
    }
}

TEST_F(SDURLCacheTest, AProcessKilledWhileWritingLeavesAUsableCache)
{
    cache.reset();
    for (int round = 0; round < 3; ++round) {
        const qsizetype before = cachetest::entryFiles(folder).size();
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kFolderVariable), folder);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
            { u"--gtest_also_run_disabled_tests"_qs,
                u"--gtest_filter=SDURLCacheCrashChild.DISABLED_StoresUntilKilled"_qs });
        ASSERT_TRUE(child.waitForStarted());
        const qsizetype wanted = before + 8 + 15 * round;
        EXPECT_TRUE(
            testsupport::waitUntil([&] { return cachetest::entryFiles(folder).size() >= wanted; },
                std::chrono::seconds(20)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());

        // Whatever moment the kill hit, the index file is whole or absent.
        EXPECT_NE(PropertyList::readFile(indexPath()).status,
            PropertyList::FileResult::Status::Unreadable);

        cache = makeCache();
        cache->currentDiskUsage();
        settle();
        expectIndexMatchesFolder();
        const auto index = indexOnDisk();
        ASSERT_TRUE(index);
        EXPECT_GT(index->count(), before);
        for (const QString &key : index->keys()) {
            EXPECT_TRUE(CacheEntryArchive::decode(cachetest::readBytes(folder + u'/' + key)))
                << key.toStdString();
        }

        const QString after = u"http://example.com/after/%1"_qs.arg(round);
        cache->storeCachedResponse(keepable(after), request(after));
        settle();
        EXPECT_TRUE(QFileInfo::exists(entryPath(after)));
        expectIndexMatchesFolder();
        cache.reset();
    }
}

} // namespace
