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

// Not a test of its own: the body of the child process started below.
TEST(SDURLCacheCrashChild, StoresUntilKilled)
{
    const QString folder = qEnvironmentVariable(kFolderVariable);
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as the child of the crash test";
    SDURLCache cache(5242880, 52428800, folder);
    const qint64 pid = QCoreApplication::applicationPid();
    for (int n = 0;; ++n) {
        const QString url = QStringLiteral("http://example.com/crash/%1/%2").arg(pid).arg(n);
        cache.storeCachedResponse(
            keepable(url, QByteArray(20000 + n % 97, char('a' + n % 26))), request(url));
        if (n % 7 == 3)
            cache.removeCachedResponseForRequest(
                request(QStringLiteral("http://example.com/crash/%1/%2").arg(pid).arg(n - 2)));
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
            { QStringLiteral("--gtest_filter=SDURLCacheCrashChild.StoresUntilKilled") });
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

        const QString after = QStringLiteral("http://example.com/after/%1").arg(round);
        cache->storeCachedResponse(keepable(after), request(after));
        settle();
        EXPECT_TRUE(QFileInfo::exists(entryPath(after)));
        expectIndexMatchesFolder();
        cache.reset();
    }
}

} // namespace
