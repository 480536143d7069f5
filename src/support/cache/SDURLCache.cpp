#include "support/cache/SDURLCache.h"

#include "core/AppPaths.h"
#include "support/PropertyList.h"
#include "support/cache/CacheEntryArchive.h"
#include "support/cache/CacheKey.h"
#include "support/cache/ExpirationRules.h"
#include "support/cache/HttpDate.h"
#include "support/cache/SDURLCacheNetworkAdapter.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

namespace {

std::mutex sharedCacheLock;
QPointer<SDURLCache> sharedCache;

QString memoryKey(const QUrl &canonicalURL)
{
    return QString::fromLatin1(canonicalURL.toEncoded());
}

} // namespace

SDURLCache::SDURLCache(
    quint64 memoryCapacity, quint64 diskCapacity, const QString &diskPath, QObject *parent)
    : QObject(parent)
    , m_memory(memoryCapacity)
    , m_diskCapacity(diskCapacity)
    , m_diskCachePath(diskPath)
    , m_maintenanceTimer(new QTimer(this))
    , m_ioQueue(std::make_unique<SerialWorkQueue>())
{
    m_maintenanceTimer->setInterval(5000);
    connect(m_maintenanceTimer, &QTimer::timeout, this, &SDURLCache::periodicMaintenance);
}

SDURLCache::~SDURLCache()
{
    m_maintenanceTimer->stop();
    {
        std::lock_guard lock(sharedCacheLock);
        if (sharedCache == this)
            sharedCache = nullptr;
    }
    // Queued work may queue more (the first store loads the index, which
    // queues the folder check), so the queue stays usable until it is idle.
    m_ioQueue->waitUntilIdle();
    bool dirty = false;
    {
        std::lock_guard lock(m_indexLock);
        dirty = m_indexDirty;
    }
    if (dirty) {
        const quint64 generation = m_generation.load();
        m_ioQueue->enqueue([this, generation] { saveCacheInfo(generation); });
        m_ioQueue->waitUntilIdle();
    }
    m_ioQueue.reset();
}

QString SDURLCache::defaultCachePath()
{
    return AppPaths::diskCacheFolder();
}

void SDURLCache::setSharedURLCache(SDURLCache *cache)
{
    std::lock_guard lock(sharedCacheLock);
    sharedCache = cache;
}

SDURLCache *SDURLCache::sharedURLCache()
{
    std::lock_guard lock(sharedCacheLock);
    return sharedCache.data();
}

QNetworkRequest SDURLCache::canonicalRequestForRequest(const QNetworkRequest &request)
{
    return CacheKey::canonicalRequest(request);
}

QString SDURLCache::cacheKeyForURL(const QUrl &url)
{
    return CacheKey::forURL(url);
}

std::optional<QDateTime> SDURLCache::dateFromHttpDateString(const QString &text)
{
    return HttpDate::parse(text);
}

std::optional<QDateTime> SDURLCache::expirationDateFromHeaders(
    const HeaderFields &headers, int statusCode)
{
    return ExpirationRules::expirationDate(headers, statusCode, QDateTime::currentDateTimeUtc());
}

void SDURLCache::installOn(QNetworkAccessManager &manager)
{
    manager.setCache(new SDURLCacheNetworkAdapter(this, &manager));
}

quint64 SDURLCache::memoryCapacity() const
{
    return m_memory.capacity();
}

quint64 SDURLCache::diskCapacity() const
{
    return m_diskCapacity.load();
}

void SDURLCache::setDiskCapacity(quint64 bytes)
{
    m_diskCapacity.store(bytes);
}

quint64 SDURLCache::currentMemoryUsage() const
{
    return m_memory.usage();
}

void SDURLCache::setClock(Clock clock)
{
    std::lock_guard lock(m_clockLock);
    m_clock = std::move(clock);
}

QDateTime SDURLCache::now() const
{
    std::lock_guard lock(m_clockLock);
    return m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
}

QString SDURLCache::entryPath(const QString &key) const
{
    return m_diskCachePath + u'/' + key;
}

void SDURLCache::ensureIndexLoaded()
{
    if (m_indexLoaded.load())
        return;
    std::lock_guard objectLock(m_objectLock);
    if (m_indexLoaded.load())
        return;

    // A missing, unreadable or damaged index starts empty; the check of the
    // folder queued below accounts for the entry files it no longer knows.
    DiskCacheIndex loaded;
    const auto file = PropertyList::readFile(m_diskCachePath + QStringLiteral("/cacheInfo.plist"));
    if (file.status == PropertyList::FileResult::Status::Ok) {
        if (auto index = DiskCacheIndex::fromPropertyList(file.value))
            loaded = std::move(*index);
    }
    {
        std::lock_guard lock(m_indexLock);
        m_index = std::move(loaded);
        m_indexDirty = false;
    }
    m_indexLoaded.store(true);

    const quint64 generation = m_generation.load();
    m_ioQueue->enqueue([this, generation] { reconcileWithFolder(generation); });
    startMaintenanceTimer();
}

void SDURLCache::startMaintenanceTimer()
{
    // The timer belongs to this object's thread; the first use may come from
    // any other one.
    QMetaObject::invokeMethod(m_maintenanceTimer, [timer = m_maintenanceTimer] {
        if (!timer->isActive())
            timer->start();
    });
}

void SDURLCache::storeCachedResponse(
    const CachedURLResponse &response, const QNetworkRequest &request)
{
    if (CacheKey::ignoresLocalData(request))
        return;
    const QUrl canonical = CacheKey::canonicalURL(request.url());
    if (!canonical.isValid() || canonical.isEmpty())
        return;
    m_memory.store(memoryKey(canonical), response);

    const bool policyAllowsDisk = response.storagePolicy == CacheStoragePolicy::Allowed
        || (response.storagePolicy == CacheStoragePolicy::AllowedInMemoryOnly
            && m_ignoreMemoryOnlyStoragePolicy.load());
    if (!policyAllowsDisk || !response.isHTTP)
        return;
    if (static_cast<quint64>(response.body.size()) >= m_diskCapacity.load())
        return;

    if (!headerField(response.headerFields, u"Etag")) {
        const QDateTime current = now();
        const auto expiration
            = ExpirationRules::expirationDate(response.headerFields, response.statusCode, current);
        const qint64 freshForMSecs = expiration ? current.msecsTo(*expiration) : 0;
        if (!expiration || freshForMSecs <= static_cast<qint64>(m_minCacheInterval.load() * 1000.0))
            return;
    }

    const QString key = CacheKey::forURL(canonical);
    const quint64 generation = m_generation.load();
    m_pendingStores.fetch_add(1);
    m_ioQueue->enqueue([this, response, key, generation] {
        storeToDisk(response, key, generation);
        m_pendingStores.fetch_sub(1);
    });
}

std::optional<CachedURLResponse> SDURLCache::cachedResponseForRequest(
    const QNetworkRequest &request)
{
    if (CacheKey::ignoresLocalData(request))
        return std::nullopt;
    const QUrl canonical = CacheKey::canonicalURL(request.url());
    if (!canonical.isValid() || canonical.isEmpty())
        return std::nullopt;
    const QString urlKey = memoryKey(canonical);
    if (auto hit = m_memory.lookup(urlKey))
        return hit;

    ensureIndexLoaded();
    const QString key = CacheKey::forURL(canonical);
    {
        std::lock_guard lock(m_indexLock);
        if (!m_index.contains(key))
            return std::nullopt;
    }

    // The file is read outside the index lock so the worker is never held up
    // by a lookup; entry files are replaced by rename, so it is whole or absent.
    QFile file(entryPath(key));
    std::optional<CachedURLResponse> response;
    if (file.open(QIODevice::ReadOnly))
        response = CacheEntryArchive::decode(file.readAll());
    if (!response) {
        const quint64 generation = m_generation.load();
        m_ioQueue->enqueue([this, key, generation] { dropIfUnreadable(key, generation); });
        return std::nullopt;
    }

    {
        std::lock_guard lock(m_indexLock);
        if (m_index.touch(key, now().toMSecsSinceEpoch()))
            m_indexDirty = true;
    }
    m_memory.store(urlKey, *response);
    return response;
}

void SDURLCache::removeCachedResponseForRequest(const QNetworkRequest &request)
{
    const QUrl canonical = CacheKey::canonicalURL(request.url());
    m_memory.remove(memoryKey(canonical));
    ensureIndexLoaded();
    const QString key = CacheKey::forURL(canonical);
    {
        // Lookups miss from now on; the file goes on the worker, after any
        // store of the same key queued before this removal.
        std::lock_guard lock(m_indexLock);
        if (m_index.contains(key)) {
            m_index.remove(key);
            m_indexDirty = true;
        }
        m_pendingFileDeletes.insert(key);
    }
    const quint64 generation = m_generation.load();
    m_ioQueue->enqueue([this, key, generation] {
        removeEntryFiles({ key }, generation);
        saveCacheInfo(generation);
    });
}

void SDURLCache::removeAllCachedResponses()
{
    m_memory.clear();
    {
        std::lock_guard objectLock(m_objectLock);
        m_generation.fetch_add(1);
        std::lock_guard lock(m_indexLock);
        m_index = DiskCacheIndex();
        m_indexDirty = false;
        m_pendingFileDeletes.clear();
        ++m_pendingFolderRemovals;
        // There is no index file to read any more: the next use starts empty.
        m_indexLoaded.store(true);
    }
    {
        std::lock_guard lock(m_maintenanceLock);
        if (m_periodicMaintenanceOperation) {
            m_periodicMaintenanceOperation->cancel();
            m_periodicMaintenanceOperation.reset();
        }
    }
    m_ioQueue->enqueue([this] { removeFolder(); });
    startMaintenanceTimer();
}

quint64 SDURLCache::currentDiskUsage()
{
    ensureIndexLoaded();
    std::lock_guard lock(m_indexLock);
    return m_index.diskUsage();
}

bool SDURLCache::isCached(const QUrl &url)
{
    const QUrl canonical = CacheKey::canonicalURL(url);
    if (m_memory.contains(memoryKey(canonical)))
        return true;
    const QString key = CacheKey::forURL(canonical);
    {
        std::lock_guard lock(m_indexLock);
        if (m_pendingFolderRemovals > 0 || m_pendingFileDeletes.contains(key))
            return false;
    }
    return QFileInfo::exists(entryPath(key));
}

void SDURLCache::periodicMaintenance()
{
    std::lock_guard maintenanceLock(m_maintenanceLock);
    if (m_periodicMaintenanceOperation) {
        m_periodicMaintenanceOperation->cancel();
        m_periodicMaintenanceOperation.reset();
    }
    if (!m_indexLoaded.load())
        return;
    quint64 usage = 0;
    bool dirty = false;
    {
        std::lock_guard lock(m_indexLock);
        usage = m_index.diskUsage();
        dirty = m_indexDirty;
    }
    const quint64 generation = m_generation.load();
    if (usage > m_diskCapacity.load())
        m_periodicMaintenanceOperation
            = m_ioQueue->enqueue([this, generation] { balanceDiskUsage(generation); });
    else if (dirty)
        m_periodicMaintenanceOperation
            = m_ioQueue->enqueue([this, generation] { saveCacheInfo(generation); });
}

void SDURLCache::waitForPendingDiskWork()
{
    m_ioQueue->waitUntilIdle();
}
