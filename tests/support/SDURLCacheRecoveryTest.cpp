#include "SDURLCacheTestFixture.h"

#include <QDir>

namespace {

using cachetest::keepable;
using cachetest::request;

QString url(int n)
{
    return u"http://example.com/r/%1"_qs.arg(n);
}

class SDURLCacheRecoveryTest : public SDURLCacheTest {
protected:
    void storeSome(int count)
    {
        for (int n = 1; n <= count; ++n) {
            cache->storeCachedResponse(
                keepable(url(n), QByteArray(2000, char('a' + n))), request(url(n)));
            clock.advance(1);
        }
        settle();
    }

    quint64 sumOfEntryFiles()
    {
        quint64 sum = 0;
        for (const QString &name : cachetest::entryFiles(folder))
            sum += quint64(cachetest::fileSize(folder + u'/' + name));
        return sum;
    }

    // A restart whose first use loads the index; returns once the folder
    // check that follows the load is done.
    void restartAndLoad()
    {
        restart();
        cache->currentDiskUsage();
        settle();
    }
};

TEST_F(SDURLCacheRecoveryTest, AMissingOrUnreadableIndexAccountsForTheEntryFiles)
{
    storeSome(4);
    const quint64 usage = cache->currentDiskUsage();
    for (const QByteArray &garbage : { QByteArray("missing"), QByteArray(),
             QByteArray("bplist00 and then nothing useful"), QByteArray(4096, '\xff') }) {
        cache.reset();
        ASSERT_TRUE(garbage == "missing" ? QFile::remove(indexPath())
                                         : cachetest::writeBytes(indexPath(), garbage));
        restartAndLoad();
        EXPECT_EQ(cache->currentDiskUsage(), usage) << garbage.left(10).constData();
        EXPECT_EQ(cache->cachedResponseForRequest(request(url(3)))->body, QByteArray(2000, 'd'));
        expectIndexMatchesFolder();
    }
    // The accounted files are within reach of eviction.
    cache->setDiskCapacity(usage / 2);
    cache->periodicMaintenance();
    settle();
    EXPECT_LE(sumOfEntryFiles(), usage / 2);
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheRecoveryTest, AVanishedOrTruncatedEntryIsAMissAndIsDropped)
{
    storeSome(4);
    cache.reset();
    ASSERT_TRUE(QFile::remove(entryPath(url(4))));
    const QByteArray whole = cachetest::readBytes(entryPath(url(2)));
    ASSERT_TRUE(cachetest::writeBytes(entryPath(url(2)), whole.left(whole.size() / 2)));
    ASSERT_TRUE(cachetest::writeBytes(entryPath(url(3)), QByteArray("not a property list at all")));

    restartAndLoad();
    EXPECT_FALSE(cache->cachedResponseForRequest(request(url(2))));
    EXPECT_FALSE(cache->cachedResponseForRequest(request(url(3))));
    EXPECT_FALSE(cache->cachedResponseForRequest(request(url(4))));
    settle();
    EXPECT_FALSE(QFileInfo::exists(entryPath(url(2))));
    EXPECT_FALSE(QFileInfo::exists(entryPath(url(3))));
    EXPECT_TRUE(cache->cachedResponseForRequest(request(url(1))));
    expectIndexMatchesFolder();

    // The same URL can be stored again.
    cache->storeCachedResponse(keepable(url(2)), request(url(2)));
    settle();
    EXPECT_TRUE(QFileInfo::exists(entryPath(url(2))));
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheRecoveryTest, ADamagedIndexCannotReachFilesOutsideTheFolder)
{
    storeSome(1);
    cache.reset();
    const QString outside = m_root.path() + u"/Velto/keep-me"_qs;
    ASSERT_TRUE(cachetest::writeBytes(outside, "precious"));
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    const QVariantMap hostile {
        { u"diskUsage"_qs, 1'000'000'000 },
        { u"accesses"_qs, QVariantMap { { u"../keep-me"_qs, old }, { u"/etc/hostname"_qs, old } } },
        { u"sizes"_qs,
            QVariantMap { { u"../keep-me"_qs, 999999999 }, { u"/etc/hostname"_qs, 999999999 } } },
    };
    ASSERT_TRUE(PropertyList::writeFileAtomically(
        indexPath(), PropertyList::encode(hostile, PropertyList::Format::Binary)));

    restartAndLoad();
    cache->setDiskCapacity(0);
    cache->periodicMaintenance();
    settle();
    EXPECT_EQ(cachetest::readBytes(outside), QByteArray("precious"));
    EXPECT_EQ(cache->currentDiskUsage(), 0u);
}

TEST_F(SDURLCacheRecoveryTest, LeftOversOfInterruptedWritesAreCleanedUp)
{
    storeSome(2);
    cache.reset();
    const QString key = SDURLCache::cacheKeyForURL(QUrl(url(9)));
    ASSERT_TRUE(cachetest::writeBytes(folder + u'/' + key + u".aB3dE9"_qs, "half"));
    ASSERT_TRUE(cachetest::writeBytes(folder + u"/cacheInfo.plist.Zz0Yy1"_qs, "half"));
    // Files of other names, even ones that look like left-overs, are someone else's.
    for (const char *name : { "/notes.txt", "/notes.txt.aB3xY9", "/cacheInfo.plist.aB3xY9.more" })
        ASSERT_TRUE(cachetest::writeBytes(folder + QLatin1String(name), "someone else's"));
    restartAndLoad();
    // 2 entries, the index and the three others
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name).size(), 6);
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheRecoveryTest, AnEntryWrittenWithoutItsIndexRecordIsKept)
{
    // As if the process died between writing the entry and writing the index.
    storeSome(2);
    const QByteArray indexBefore = cachetest::readBytes(indexPath());
    cache->storeCachedResponse(keepable(url(7), "late"), request(url(7)));
    settle();
    cache.reset();
    ASSERT_TRUE(cachetest::writeBytes(indexPath(), indexBefore));

    restartAndLoad();
    EXPECT_EQ(cache->cachedResponseForRequest(request(url(7)))->body, QByteArray("late"));
    EXPECT_EQ(indexOnDisk()->count(), 3);
    expectIndexMatchesFolder();
}

TEST_F(SDURLCacheRecoveryTest, AFolderThatCannotBeCreatedOnlyCostsTheDiskTier)
{
    const QString blocker = m_root.path() + u"/blocker"_qs;
    ASSERT_TRUE(cachetest::writeBytes(blocker, "a file where a folder should be"));
    folder = blocker + u"/SDURLCache"_qs;
    restart();

    cache->storeCachedResponse(keepable(url(1)), request(url(1)));
    settle();
    EXPECT_TRUE(cache->cachedResponseForRequest(request(url(1)))); // memory
    EXPECT_EQ(cache->currentDiskUsage(), 0u);
    cache->removeCachedResponseForRequest(request(url(1)));
    cache->periodicMaintenance();
    cache->removeAllCachedResponses();
    settle();
    EXPECT_EQ(cachetest::readBytes(blocker), QByteArray("a file where a folder should be"));

    restart();
    EXPECT_FALSE(cache->cachedResponseForRequest(request(url(1))));
    EXPECT_FALSE(cache->isCached(QUrl(url(1))));
}

} // namespace
