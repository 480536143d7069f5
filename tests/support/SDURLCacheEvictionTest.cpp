#include "SDURLCacheTestFixture.h"

#include "TestSupport.h"

namespace {

using cachetest::keepable;
using cachetest::request;

QString url(int n)
{
    return u"http://example.com/e/%1"_qs.arg(n);
}

class SDURLCacheEvictionTest : public SDURLCacheTest {
protected:
    // Five entries, stored ten seconds apart: 1 is the oldest.
    void storeFive()
    {
        for (int n = 1; n <= 5; ++n) {
            cache->storeCachedResponse(
                keepable(url(n), QByteArray(1000 + n, 'e')), request(url(n)));
            settle();
            clock.advance(10);
        }
    }

    quint64 sizeOf(int n) { return quint64(cachetest::fileSize(entryPath(url(n)))); }

    QList<int> remaining()
    {
        QList<int> left;
        for (int n = 1; n <= 5; ++n) {
            if (QFileInfo::exists(entryPath(url(n))))
                left.append(n);
        }
        return left;
    }

    void tick()
    {
        cache->periodicMaintenance();
        settle();
    }
};

TEST_F(SDURLCacheEvictionTest, EvictsOldestFirstJustUntilTheExcessIsCoveredAndHitsCountAsNew)
{
    const struct {
        const char *name;
        bool hitTheOldest; // on disk, after a restart
        quint64 over; // bytes over the capacity
        bool plusTheOldest; // the oldest entry's size more
        QList<int> remaining;
    } cases[] = {
        { "one byte over", false, 1, false, { 2, 3, 4, 5 } },
        { "one byte more than the oldest holds", false, 1, true, { 3, 4, 5 } },
        { "exactly at the capacity", false, 0, false, { 1, 2, 3, 4, 5 } },
        { "the oldest was just read from disk", true, 1, false, { 1, 3, 4, 5 } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        cache->setDiskCapacity(52428800);
        cache->removeAllCachedResponses();
        settle();
        storeFive();
        if (c.hitTheOldest) {
            restart();
            ASSERT_TRUE(cache->cachedResponseForRequest(request(url(1))));
        }
        cache->setDiskCapacity(
            cache->currentDiskUsage() - c.over - (c.plusTheOldest ? sizeOf(1) : 0));
        tick();
        EXPECT_EQ(remaining(), c.remaining);
        expectIndexMatchesFolder();
    }
}

TEST_F(SDURLCacheEvictionTest, AccessDatesOfDiskHitsAreWrittenByTheTick)
{
    storeFive();
    restart();
    const QString key = SDURLCache::cacheKeyForURL(QUrl(url(2)));
    const qint64 before = indexOnDisk()->lastAccessMSecs(key).value();
    clock.advance(100);
    ASSERT_TRUE(cache->cachedResponseForRequest(request(url(2))));
    settle();
    EXPECT_EQ(indexOnDisk()->lastAccessMSecs(key).value(), before);
    tick();
    // Property-list dates keep milliseconds to within one.
    EXPECT_NEAR(double(indexOnDisk()->lastAccessMSecs(key).value()),
        double(clock.now().toMSecsSinceEpoch()), 1.0);
}

TEST_F(SDURLCacheEvictionTest, StoresOverTheBudgetWaitForTheTick)
{
    storeFive();
    cache->setDiskCapacity(sizeOf(5) * 2);
    cache->storeCachedResponse(keepable(url(6), QByteArray(1000, 'e')), request(url(6)));
    settle();
    EXPECT_EQ(remaining().size(), 5);
    tick();
    EXPECT_EQ(remaining(), QList<int> { 5 });
    EXPECT_TRUE(QFileInfo::exists(entryPath(url(6))));
    EXPECT_LE(cache->currentDiskUsage(), cache->diskCapacity());
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheEvictionTest, TheTimerRunsMaintenanceEveryFiveSeconds)
{
    storeFive();
    cache->setDiskCapacity(cache->currentDiskUsage() - 1);
    EXPECT_TRUE(testsupport::waitUntil(
        [this] { return !QFileInfo::exists(entryPath(url(1))); }, std::chrono::seconds(8)));
    EXPECT_EQ(remaining(), (QList<int> { 2, 3, 4, 5 }));
}

} // namespace
