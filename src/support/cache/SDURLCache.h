#pragma once

#include "support/cache/CachedURLResponse.h"
#include "support/cache/DiskCacheIndex.h"
#include "support/cache/MemoryTier.h"
#include "support/cache/SerialWorkQueue.h"

#include <QDateTime>
#include <QNetworkRequest>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QNetworkAccessManager;
class QTimer;

// The program's HTTP response cache: a memory tier plus a disk tier of one
// binary property-list file per response, named by its cache key, and the
// index "cacheInfo.plist" that records each entry's size and last access.
// The disk tier is held under its capacity by evicting the least recently
// used entries on a 5-second maintenance tick.
//
// Reading never checks freshness; freshness only decides whether a response
// is written to disk (more than minCacheInterval seconds ahead, unless it
// carries an entity tag).
//
// Every operation may be called from any thread. Lookups read entry files on
// the caller's thread; all writing and deleting of files happens on one serial
// worker, so a store returns at once.
class SDURLCache : public QObject {
    Q_OBJECT

public:
    // Creates no folder and reads no file: the index is loaded on first use.
    SDURLCache(quint64 memoryCapacity, quint64 diskCapacity, const QString &diskPath,
        QObject *parent = nullptr);
    // Finishes the disk work already accepted (and a pending index write).
    ~SDURLCache() override;

    // The "SDURLCache" folder of the user's cache folder.
    static QString defaultCachePath();
    // The process-wide cache. Not owned; forgotten when it is destroyed.
    static void setSharedURLCache(SDURLCache *cache);
    static SDURLCache *sharedURLCache();

    // The request with its URL cut at the first "#", or the request itself.
    static QNetworkRequest canonicalRequestForRequest(const QNetworkRequest &request);
    static QString cacheKeyForURL(const QUrl &url);
    static std::optional<QDateTime> dateFromHttpDateString(const QString &text);
    static std::optional<QDateTime> expirationDateFromHeaders(
        const HeaderFields &headers, int statusCode);

    // Makes this cache the cache of `manager`, through an adapter the manager
    // owns. The adapter copes with this cache going away first.
    void installOn(QNetworkAccessManager &manager);

    // Requests with Qt's AlwaysNetwork load control are ignored by both.
    void storeCachedResponse(const CachedURLResponse &response, const QNetworkRequest &request);
    std::optional<CachedURLResponse> cachedResponseForRequest(const QNetworkRequest &request);

    void removeCachedResponseForRequest(const QNetworkRequest &request);
    // Empties both tiers at once for every lookup; the folder itself is
    // deleted on the worker, after the disk work queued before.
    void removeAllCachedResponses();
    quint64 currentDiskUsage();
    quint64 currentMemoryUsage() const;
    bool isCached(const QUrl &url);

    quint64 memoryCapacity() const;
    quint64 diskCapacity() const;
    void setDiskCapacity(quint64 bytes);
    QString diskCachePath() const { return m_diskCachePath; }
    double minCacheInterval() const { return m_minCacheInterval.load(); }
    void setMinCacheInterval(double seconds) { m_minCacheInterval.store(seconds); }
    bool ignoreMemoryOnlyStoragePolicy() const { return m_ignoreMemoryOnlyStoragePolicy.load(); }
    void setIgnoreMemoryOnlyStoragePolicy(bool ignore)
    {
        m_ignoreMemoryOnlyStoragePolicy.store(ignore);
    }

    // The tick: evicts when over capacity, else writes an index changed by
    // disk hits. Runs every 5 s once the index is loaded; callable directly.
    void periodicMaintenance();
    // Blocks until the disk work queued so far is done (tests, benchmarks).
    void waitForPendingDiskWork();

    // Source of "now" for access dates and freshness; tests pin it.
    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock);

private:
    QDateTime now() const;
    QString entryPath(const QString &key) const;
    void ensureIndexLoaded();
    void startMaintenanceTimer();
    bool isCurrent(quint64 generation) const { return m_generation.load() == generation; }

    // Worker tasks (SDURLCacheDiskWork.cpp).
    void storeToDisk(const CachedURLResponse &response, const QString &key, quint64 generation);
    void saveCacheInfo(quint64 generation);
    void balanceDiskUsage(quint64 generation);
    void removeEntryFiles(const QStringList &keys, quint64 generation);
    void reconcileWithFolder(quint64 generation);
    void dropIfUnreadable(const QString &key, quint64 generation);
    void removeFolder();
    bool createDiskCachePath();
    bool writeFileQuietly(const QString &path, const QByteArray &bytes);

    MemoryTier m_memory;
    std::atomic<quint64> m_diskCapacity;
    const QString m_diskCachePath;
    std::atomic<double> m_minCacheInterval { 300.0 };
    std::atomic<bool> m_ignoreMemoryOnlyStoragePolicy { true };

    // The cache's own lock: the lazy index load and the dropping of the index.
    std::mutex m_objectLock;
    std::atomic<bool> m_indexLoaded { false };

    // The index lock: the index, the dirty flag and the pending deletions.
    mutable std::mutex m_indexLock;
    DiskCacheIndex m_index;
    bool m_indexDirty = false;
    QSet<QString> m_pendingFileDeletes;
    int m_pendingFolderRemovals = 0;

    // Bumped by removeAllCachedResponses; disk work queued before it is void.
    std::atomic<quint64> m_generation { 0 };
    // Stores queued and not finished; the last of a burst writes the index.
    std::atomic<int> m_pendingStores { 0 };
    std::atomic<bool> m_warnedAboutWrites { false };

    mutable std::mutex m_clockLock;
    Clock m_clock;

    std::mutex m_maintenanceLock;
    SerialWorkQueue::OperationPtr m_periodicMaintenanceOperation;
    QTimer *m_maintenanceTimer = nullptr;

    std::unique_ptr<SerialWorkQueue> m_ioQueue;
};
