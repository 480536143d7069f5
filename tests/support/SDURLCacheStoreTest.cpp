#include "SDURLCacheTestFixture.h"

#include <QDir>

namespace {

using cachetest::keepable;
using cachetest::request;
using cachetest::response;

const QString kAvatar = u"http://127.0.0.1/avatars/1.png"_qs;

TEST_F(SDURLCacheTest, CreatesNothingUntilUsedAndAStoredResponseComesBackAfterARestart)
{
    cache->currentDiskUsage();
    cache->cachedResponseForRequest(request(kAvatar));
    settle();
    EXPECT_FALSE(QFileInfo::exists(folder));
    CachedURLResponse stored = keepable(kAvatar, QByteArray(20000, 'x'));
    stored.userInfo = QVariantMap { { u"k"_qs, u"v"_qs } };
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

// Whether a response reaches the disk beyond what the expiration rules say:
// every one is in memory right away.
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
        { "max-age=300 is not more than the minimum", 200,
            { { u"Date"_qs, date }, { u"Cache-Control"_qs, u"max-age=300"_qs } }, false },
        { "max-age=301", 200, { { u"Date"_qs, date }, { u"Cache-Control"_qs, u"max-age=301"_qs } },
            true },
        { "Pragma no-cache", 200, { { u"Pragma"_qs, u"no-cache"_qs } }, false },
        { "404", 404, { { u"Cache-Control"_qs, u"max-age=600"_qs } }, false },
        { "404 with Etag", 404, { { u"Etag"_qs, u"\"a\""_qs } }, true },
        { "302 bare", 302, { { u"Location"_qs, u"/x"_qs } }, false },
        { "302 with ETag", 302, { { u"ETag"_qs, u"\"a\""_qs } }, true },
        { "no-store with Etag", 200,
            { { u"Cache-Control"_qs, u"no-store"_qs }, { u"Etag"_qs, u"1"_qs } }, true },
        { "Last-Modified 40 minutes before Date: fresh for 240 s", 200,
            { { u"Date"_qs, date },
                { u"Last-Modified"_qs, cachetest::httpDate(now.addSecs(-2400)) } },
            false },
        { "no freshness headers", 200, {}, true },
        { "stale Date, no freshness headers", 200,
            { { u"Date"_qs, cachetest::httpDate(now.addSecs(-3400)) } }, false },
    };
    int n = 0;
    for (const DiskCase &c : cases) {
        const QString url = u"http://example.com/case/%1"_qs.arg(++n);
        cache->storeCachedResponse(response(url, c.status, c.headers), request(url));
        EXPECT_TRUE(cache->cachedResponseForRequest(request(url))) << c.name;
        settle();
        EXPECT_EQ(QFileInfo::exists(entryPath(url)), c.written) << c.name;
    }
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheTest, StoragePolicyAndSchemeDecideWhereAResponseGoes)
{
    CachedURLResponse notAllowed = keepable(u"http://example.com/no"_qs);
    notAllowed.storagePolicy = CacheStoragePolicy::NotAllowed;
    cache->storeCachedResponse(notAllowed, request(u"http://example.com/no"_qs));

    CachedURLResponse memoryOnly = keepable(u"http://example.com/mem"_qs);
    memoryOnly.storagePolicy = CacheStoragePolicy::AllowedInMemoryOnly;
    cache->storeCachedResponse(memoryOnly, request(u"http://example.com/mem"_qs));

    CachedURLResponse file = keepable(u"file:///tmp/x"_qs);
    file.isHTTP = false;
    cache->storeCachedResponse(file, request(u"file:///tmp/x"_qs));
    settle();

    EXPECT_FALSE(cache->cachedResponseForRequest(request(u"http://example.com/no"_qs)));
    EXPECT_FALSE(QFileInfo::exists(entryPath(u"http://example.com/no"_qs)));
    EXPECT_TRUE(QFileInfo::exists(entryPath(u"http://example.com/mem"_qs)));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(u"file:///tmp/x"_qs)));
    EXPECT_FALSE(QFileInfo::exists(entryPath(u"file:///tmp/x"_qs)));

    cache->setIgnoreMemoryOnlyStoragePolicy(false);
    cache->storeCachedResponse(memoryOnly, request(u"http://example.com/mem2"_qs));
    settle();
    EXPECT_TRUE(cache->cachedResponseForRequest(request(u"http://example.com/mem2"_qs)));
    EXPECT_FALSE(QFileInfo::exists(entryPath(u"http://example.com/mem2"_qs)));
}

TEST_F(SDURLCacheTest, BodiesFromEmptyToBeyondTheDiskCapacity)
{
    restart(5242880, 4096);
    const QString empty = u"http://example.com/empty"_qs;
    const QString large = u"http://example.com/large"_qs;
    const QString exact = u"http://example.com/exact"_qs;
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

TEST_F(SDURLCacheTest, RemovingOneResponseTakesItFromBothTiersEvenWhileItsStoreIsQueued)
{
    const QString other = u"http://example.com/other"_qs;
    cache->storeCachedResponse(keepable(kAvatar), request(kAvatar));
    cache->storeCachedResponse(keepable(other), request(other));
    settle();
    cache->removeCachedResponseForRequest(request(kAvatar + u"#frag"_qs));
    EXPECT_FALSE(cache->cachedResponseForRequest(request(kAvatar)));
    EXPECT_FALSE(cache->isCached(QUrl(kAvatar)));
    settle();
    EXPECT_FALSE(QFileInfo::exists(entryPath(kAvatar)));
    EXPECT_TRUE(QFileInfo::exists(entryPath(other)));
    expectIndexMatchesFolder();
    restart();
    EXPECT_FALSE(cache->cachedResponseForRequest(request(kAvatar)));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(other)));

    // A removal after a store still queued wins.
    cache->storeCachedResponse(keepable(kAvatar), request(kAvatar));
    cache->removeCachedResponseForRequest(request(kAvatar));
    settle();
    EXPECT_FALSE(QFileInfo::exists(entryPath(kAvatar)));
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheTest, RemoveAllEmptiesAtOnceAndTheNextStoreStartsAfresh)
{
    for (int i = 0; i < 20; ++i) {
        const QString url = u"http://example.com/%1"_qs.arg(i);
        cache->storeCachedResponse(keepable(url), request(url));
    }
    cache->removeAllCachedResponses();
    // Lookups and the usage see the empty cache before the worker deletes.
    EXPECT_EQ(cache->currentDiskUsage(), 0u);
    EXPECT_FALSE(cache->cachedResponseForRequest(request(u"http://example.com/3"_qs)));
    EXPECT_FALSE(cache->isCached(QUrl(u"http://example.com/3"_qs)));
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

TEST_F(SDURLCacheTest, ADiskHitFillsTheMemoryTierWhichStaysWithinItsCapacity)
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

    restart(10000);
    for (int i = 0; i < 10; ++i) {
        const QString url = u"http://example.com/m%1"_qs.arg(i);
        cache->storeCachedResponse(keepable(url, QByteArray(3000, 'm')), request(url));
        EXPECT_LE(cache->currentMemoryUsage(), 10000u);
    }
    settle();
    // Gone from memory, still on disk.
    EXPECT_TRUE(cache->cachedResponseForRequest(request(u"http://example.com/m0"_qs)));
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
