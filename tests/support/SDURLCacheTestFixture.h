#pragma once

#include "CacheTestSupport.h"

#include "support/PropertyList.h"
#include "support/cache/DiskCacheIndex.h"
#include "support/cache/SDURLCache.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A cache on a fresh folder, with a clock the test moves.
class SDURLCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        folder = m_root.path() + u"/Velto/SDURLCache"_qs;
        cache = makeCache();
    }

    std::unique_ptr<SDURLCache> makeCache(quint64 memory = 5242880, quint64 disk = 52428800)
    {
        auto made = std::make_unique<SDURLCache>(memory, disk, folder);
        made->setClock([this] { return clock.now(); });
        return made;
    }

    // Drops the cache (finishing its disk work) and opens the folder again,
    // as the next start of the program would.
    void restart(quint64 memory = 5242880, quint64 disk = 52428800)
    {
        cache.reset();
        cache = makeCache(memory, disk);
    }

    void settle()
    {
        if (cache)
            cache->waitForPendingDiskWork();
    }

    QString entryPath(const QString &url) const
    {
        return folder + u'/' + SDURLCache::cacheKeyForURL(QUrl(url));
    }

    QString indexPath() const { return folder + u"/cacheInfo.plist"_qs; }

    std::optional<DiskCacheIndex> indexOnDisk() const
    {
        const auto file = PropertyList::readFile(indexPath());
        if (file.status != PropertyList::FileResult::Status::Ok)
            return std::nullopt;
        return DiskCacheIndex::fromPropertyList(file.value);
    }

    // The invariant every operation keeps: each indexed key has its file,
    // recorded sizes are the files' sizes, and the usage is their sum.
    void expectIndexMatchesFolder()
    {
        settle();
        const auto index = indexOnDisk();
        ASSERT_TRUE(index);
        quint64 sum = 0;
        for (const QString &key : index->keys()) {
            const QString path = folder + u'/' + key;
            EXPECT_TRUE(QFileInfo::exists(path)) << key.toStdString();
            EXPECT_EQ(index->sizeOf(key).value_or(0), quint64(cachetest::fileSize(path)));
            sum += index->sizeOf(key).value_or(0);
        }
        EXPECT_EQ(index->diskUsage(), sum);
        EXPECT_EQ(cache->currentDiskUsage(), sum);
        EXPECT_EQ(index->count(), cachetest::entryFiles(folder).size());
    }

    QTemporaryDir m_root;
    QString folder;
    cachetest::ManualClock clock;
    std::unique_ptr<SDURLCache> cache;
};
