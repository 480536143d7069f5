#include "SDURLCacheTestFixture.h"

#include <QDir>
#include <QStandardPaths>

namespace {

using cachetest::keepable;
using cachetest::request;
using cachetest::response;

const QString kAvatar = QStringLiteral("http://127.0.0.1/avatars/1.png");

TEST_F(SDURLCacheTest, CreatesNothingUntilUsed)
{
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(cache->diskCapacity(), 52428800u);
    EXPECT_EQ(cache->memoryCapacity(), 5242880u);
    EXPECT_EQ(cache->minCacheInterval(), 300.0);
    EXPECT_TRUE(cache->ignoreMemoryOnlyStoragePolicy());
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(SDURLCacheTest, AStoredResponseComesBackAfterARestart)
{
    CachedURLResponse stored = keepable(kAvatar, QByteArray(20000, 'x'));
    stored.userInfo = QVariantMap { { QStringLiteral("k"), QStringLiteral("v") } };
    cache->storeCachedResponse(stored, request(kAvatar));
    settle();
    EXPECT_TRUE(QFileInfo::exists(entryPath(kAvatar)));
    expectIndexMatchesFolder();

    restart();
    EXPECT_TRUE(cache->isCached(QUrl(kAvatar)));
    const auto found = cache->cachedResponseForRequest(request(kAvatar));
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, stored);
}

TEST_F(SDURLCacheTest, FragmentsShareOneEntry)
{
    const QString page = QStringLiteral("http://example.com/page");
    cache->storeCachedResponse(
        keepable(page + QStringLiteral("#one"), "first"), request(page + QStringLiteral("#one")));
    cache->storeCachedResponse(
        keepable(page + QStringLiteral("#two"), "second"), request(page + QStringLiteral("#two")));
    settle();
    EXPECT_EQ(
        cachetest::entryFiles(folder), QStringList { SDURLCache::cacheKeyForURL(QUrl(page)) });
    restart();
    const auto found = cache->cachedResponseForRequest(request(page + QStringLiteral("#three")));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->body, QByteArray("second"));
}

// Whether a response reaches the disk: every one is in memory right away.
struct DiskCase {
    const char *name;
    int status;
    HeaderFields headers;
    bool written;
};

TEST_F(SDURLCacheTest, FreshnessAndStatusDecideWhatIsWrittenToDisk)
{
    const QDateTime now = clock.now();
    const QString date = cachetest::httpDate(now);
    const std::vector<DiskCase> cases = {
        { "max-age=0", 200, { { QStringLiteral("Cache-Control"), QStringLiteral("max-age=0") } },
            false },
        { "MAX-AGE=600", 200,
            { { QStringLiteral("Cache-Control"), QStringLiteral("MAX-AGE=600") } }, true },
        { "max-age=300 is not more than the minimum", 200,
            { { QStringLiteral("Date"), date },
                { QStringLiteral("Cache-Control"), QStringLiteral("max-age=300") } },
            false },
        { "max-age=301", 200,
            { { QStringLiteral("Date"), date },
                { QStringLiteral("Cache-Control"), QStringLiteral("max-age=301") } },
            true },
        { "Pragma no-cache", 200, { { QStringLiteral("Pragma"), QStringLiteral("no-cache") } },
            false },
        { "Pragma No-Cache", 200, { { QStringLiteral("Pragma"), QStringLiteral("No-Cache") } },
            true },
        { "404", 404, { { QStringLiteral("Cache-Control"), QStringLiteral("max-age=600") } },
            false },
        { "404 with Etag", 404, { { QStringLiteral("Etag"), QStringLiteral("\"a\"") } }, true },
        { "302 bare", 302, { { QStringLiteral("Location"), QStringLiteral("/x") } }, false },
        { "302 with ETag", 302, { { QStringLiteral("ETag"), QStringLiteral("\"a\"") } }, true },
        { "no-store with Etag", 200,
            { { QStringLiteral("Cache-Control"), QStringLiteral("no-store") },
                { QStringLiteral("Etag"), QStringLiteral("1") } },
            true },
        { "Last-Modified ten days before Date", 200,
            { { QStringLiteral("Date"), date },
                { QStringLiteral("Last-Modified"), cachetest::httpDate(now.addDays(-10)) } },
            true },
        { "Last-Modified 40 minutes before Date: fresh for 240 s", 200,
            { { QStringLiteral("Date"), date },
                { QStringLiteral("Last-Modified"), cachetest::httpDate(now.addSecs(-2400)) } },
            false },
        { "no freshness headers", 200, {}, true },
        { "stale Date, no freshness headers", 200,
            { { QStringLiteral("Date"), cachetest::httpDate(now.addSecs(-3400)) } }, false },
    };
    int n = 0;
    for (const DiskCase &c : cases) {
        const QString url = QStringLiteral("http://example.com/case/%1").arg(++n);
        cache->storeCachedResponse(response(url, c.status, c.headers), request(url));
        EXPECT_TRUE(cache->cachedResponseForRequest(request(url))) << c.name;
        settle();
        EXPECT_EQ(QFileInfo::exists(entryPath(url)), c.written) << c.name;
    }
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheTest, StoragePolicyAndSchemeDecideWhereAResponseGoes)
{
    CachedURLResponse notAllowed = keepable(QStringLiteral("http://example.com/no"));
    notAllowed.storagePolicy = CacheStoragePolicy::NotAllowed;
    cache->storeCachedResponse(notAllowed, request(QStringLiteral("http://example.com/no")));

    CachedURLResponse memoryOnly = keepable(QStringLiteral("http://example.com/mem"));
    memoryOnly.storagePolicy = CacheStoragePolicy::AllowedInMemoryOnly;
    cache->storeCachedResponse(memoryOnly, request(QStringLiteral("http://example.com/mem")));

    CachedURLResponse file = keepable(QStringLiteral("file:///tmp/x"));
    file.isHTTP = false;
    cache->storeCachedResponse(file, request(QStringLiteral("file:///tmp/x")));
    settle();

    EXPECT_FALSE(cache->cachedResponseForRequest(request(QStringLiteral("http://example.com/no"))));
    EXPECT_FALSE(QFileInfo::exists(entryPath(QStringLiteral("http://example.com/no"))));
    EXPECT_TRUE(QFileInfo::exists(entryPath(QStringLiteral("http://example.com/mem"))));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(QStringLiteral("file:///tmp/x"))));
    EXPECT_FALSE(QFileInfo::exists(entryPath(QStringLiteral("file:///tmp/x"))));

    cache->setIgnoreMemoryOnlyStoragePolicy(false);
    cache->storeCachedResponse(memoryOnly, request(QStringLiteral("http://example.com/mem2")));
    settle();
    EXPECT_TRUE(
        cache->cachedResponseForRequest(request(QStringLiteral("http://example.com/mem2"))));
    EXPECT_FALSE(QFileInfo::exists(entryPath(QStringLiteral("http://example.com/mem2"))));
}

TEST_F(SDURLCacheTest, BodiesFromEmptyToBeyondTheDiskCapacity)
{
    restart(5242880, 4096);
    const QString empty = QStringLiteral("http://example.com/empty");
    const QString large = QStringLiteral("http://example.com/large");
    const QString exact = QStringLiteral("http://example.com/exact");
    cache->storeCachedResponse(keepable(empty, QByteArray("")), request(empty));
    cache->storeCachedResponse(keepable(large, QByteArray(5000, 'L')), request(large));
    cache->storeCachedResponse(keepable(exact, QByteArray(4096, 'E')), request(exact));
    settle();
    EXPECT_TRUE(QFileInfo::exists(entryPath(empty)));
    EXPECT_FALSE(QFileInfo::exists(entryPath(large)));
    EXPECT_FALSE(QFileInfo::exists(entryPath(exact)));
    // Too big for the disk, not for memory.
    EXPECT_EQ(cache->cachedResponseForRequest(request(large))->body.size(), 5000);

    restart(5242880, 4096);
    const auto found = cache->cachedResponseForRequest(request(empty));
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->body.isEmpty());
    EXPECT_FALSE(cache->cachedResponseForRequest(request(large)));
}

TEST_F(SDURLCacheTest, StoringTheSameUrlTwiceKeepsOneEntryAndTheSecondSize)
{
    cache->storeCachedResponse(keepable(kAvatar, QByteArray(9000, 'a')), request(kAvatar));
    settle();
    const qint64 firstSize = cachetest::fileSize(entryPath(kAvatar));
    cache->storeCachedResponse(keepable(kAvatar, QByteArray(100, 'b')), request(kAvatar));
    settle();
    const qint64 secondSize = cachetest::fileSize(entryPath(kAvatar));
    EXPECT_LT(secondSize, firstSize);
    EXPECT_EQ(cachetest::entryFiles(folder).size(), 1);
    EXPECT_EQ(cache->currentDiskUsage(), quint64(secondSize));
    expectIndexMatchesFolder();
    restart();
    EXPECT_EQ(cache->currentDiskUsage(), quint64(secondSize));
    EXPECT_EQ(cache->cachedResponseForRequest(request(kAvatar))->body, QByteArray(100, 'b'));
}

TEST_F(SDURLCacheTest, RemovingOneResponseTakesItFromBothTiers)
{
    const QString other = QStringLiteral("http://example.com/other");
    cache->storeCachedResponse(keepable(kAvatar), request(kAvatar));
    cache->storeCachedResponse(keepable(other), request(other));
    settle();
    cache->removeCachedResponseForRequest(request(kAvatar + QStringLiteral("#frag")));
    EXPECT_FALSE(cache->cachedResponseForRequest(request(kAvatar)));
    EXPECT_FALSE(cache->isCached(QUrl(kAvatar)));
    settle();
    EXPECT_FALSE(QFileInfo::exists(entryPath(kAvatar)));
    EXPECT_TRUE(QFileInfo::exists(entryPath(other)));
    expectIndexMatchesFolder();
    restart();
    EXPECT_FALSE(cache->cachedResponseForRequest(request(kAvatar)));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(other)));
}

TEST_F(SDURLCacheTest, ARemovalAfterAQueuedStoreWins)
{
    cache->storeCachedResponse(keepable(kAvatar), request(kAvatar));
    cache->removeCachedResponseForRequest(request(kAvatar));
    settle();
    EXPECT_FALSE(QFileInfo::exists(entryPath(kAvatar)));
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheTest, RemoveAllEmptiesAtOnceAndTheNextStoreStartsAfresh)
{
    for (int i = 0; i < 20; ++i) {
        const QString url = QStringLiteral("http://example.com/%1").arg(i);
        cache->storeCachedResponse(keepable(url), request(url));
    }
    cache->removeAllCachedResponses();
    // Lookups and the usage see the empty cache before the worker deletes.
    EXPECT_EQ(cache->currentDiskUsage(), 0u);
    EXPECT_FALSE(cache->cachedResponseForRequest(request(QStringLiteral("http://example.com/3"))));
    EXPECT_FALSE(cache->isCached(QUrl(QStringLiteral("http://example.com/3"))));
    settle();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(cache->currentDiskUsage(), 0u);

    cache->storeCachedResponse(keepable(kAvatar), request(kAvatar));
    settle();
    EXPECT_TRUE(QFileInfo::exists(indexPath()));
    EXPECT_EQ(
        cachetest::entryFiles(folder), QStringList { SDURLCache::cacheKeyForURL(QUrl(kAvatar)) });
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheTest, ADiskHitFillsTheMemoryTier)
{
    cache->storeCachedResponse(keepable(kAvatar, QByteArray(1000, 'm')), request(kAvatar));
    settle();
    restart();
    EXPECT_EQ(cache->currentMemoryUsage(), 0u);
    ASSERT_TRUE(cache->cachedResponseForRequest(request(kAvatar)));
    EXPECT_GT(cache->currentMemoryUsage(), 1000u);
    // Served from memory even once the file is gone.
    QFile::remove(entryPath(kAvatar));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(kAvatar)));
}

TEST_F(SDURLCacheTest, TheMemoryTierStaysWithinItsCapacity)
{
    restart(10000);
    for (int i = 0; i < 10; ++i) {
        const QString url = QStringLiteral("http://example.com/m%1").arg(i);
        cache->storeCachedResponse(keepable(url, QByteArray(3000, 'm')), request(url));
        EXPECT_LE(cache->currentMemoryUsage(), 10000u);
    }
    settle();
    // Gone from memory, still on disk.
    EXPECT_TRUE(cache->cachedResponseForRequest(request(QStringLiteral("http://example.com/m0"))));
}

TEST_F(SDURLCacheTest, DefaultPathIsTheFolderOfTheUsersCache)
{
    EXPECT_EQ(SDURLCache::defaultCachePath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
            + QStringLiteral("/Velto/SDURLCache"));
}

TEST(SDURLCacheShared, IsForgottenWhenDestroyed)
{
    QTemporaryDir dir;
    {
        SDURLCache cache(1000, 1000, dir.path());
        SDURLCache::setSharedURLCache(&cache);
        EXPECT_EQ(SDURLCache::sharedURLCache(), &cache);
    }
    EXPECT_EQ(SDURLCache::sharedURLCache(), nullptr);
}

} // namespace
