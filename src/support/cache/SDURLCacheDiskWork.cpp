// The disk side of SDURLCache: everything here runs on the serial worker.
// Files are never touched while the index lock is held, so a lookup on the
// caller's thread waits at most for an in-memory update.
#include "support/cache/SDURLCache.h"

#include "core/AppPaths.h"
#include "support/cache/CacheEntryArchive.h"
#include "support/cache/CacheFiles.h"
#include "support/cache/CacheKey.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

const QString kIndexFileName = QStringLiteral("cacheInfo.plist");

} // namespace

bool SDURLCache::createDiskCachePath()
{
    if (QFileInfo(m_diskCachePath).isDir())
        return true;
    if (AppPaths::makePrivateFolder(m_diskCachePath))
        return true;
    if (!m_warnedAboutWrites.exchange(true))
        qWarning().noquote() << "The disk cache cannot create its folder" << m_diskCachePath;
    return false;
}

bool SDURLCache::writeFileQuietly(const QString &path, const QByteArray &bytes)
{
    QString error;
    if (CacheFiles::replaceFile(path, bytes, &error))
        return true;
    if (!m_warnedAboutWrites.exchange(true))
        qWarning().noquote() << "The disk cache cannot write" << path << ":" << error;
    return false;
}

void SDURLCache::storeToDisk(
    const CachedURLResponse &response, const QString &key, quint64 generation)
{
    if (!isCurrent(generation))
        return;
    ensureIndexLoaded();
    if (!createDiskCachePath())
        return;
    const QByteArray bytes = CacheEntryArchive::encode(response);
    const QString path = entryPath(key);
    if (bytes.isEmpty() || !writeFileQuietly(path, bytes))
        return;
    const qint64 size = QFileInfo(path).size();
    {
        std::lock_guard lock(m_indexLock);
        // Emptied meanwhile: the folder removal queued behind us takes the file.
        if (!isCurrent(generation))
            return;
        m_index.recordStore(key, static_cast<quint64>(size), now().toMSecsSinceEpoch());
        m_indexDirty = true;
    }
    // In a burst of stores only the last writes the index; the entries before
    // it are already on disk, and the folder check at start-up would account
    // for them should the process die first.
    if (m_pendingStores.load() > 1)
        return;
    saveCacheInfo(generation);
}

void SDURLCache::saveCacheInfo(quint64 generation)
{
    if (!isCurrent(generation) || !createDiskCachePath())
        return;
    DiskCacheIndex snapshot;
    {
        // A shallow copy: encoding runs outside the lock.
        std::lock_guard lock(m_indexLock);
        snapshot = m_index;
        m_indexDirty = false;
    }
    const QByteArray bytes = snapshot.encode();
    if (bytes.isEmpty())
        return;
    writeFileQuietly(m_diskCachePath + u'/' + kIndexFileName, bytes);
}

void SDURLCache::balanceDiskUsage(quint64 generation)
{
    if (!isCurrent(generation))
        return;
    QStringList evicted;
    {
        std::lock_guard lock(m_indexLock);
        const quint64 capacity = m_diskCapacity.load();
        if (m_index.diskUsage() < capacity)
            return;
        const qint64 excess = static_cast<qint64>(m_index.diskUsage() - capacity);
        evicted = m_index.oldestKeysCovering(excess);
    }
    removeEntryFiles(evicted, generation);
    saveCacheInfo(generation);
}

void SDURLCache::removeEntryFiles(const QStringList &keys, quint64 generation)
{
    if (!isCurrent(generation))
        return;
    {
        std::lock_guard lock(m_indexLock);
        for (const QString &key : keys) {
            if (m_index.contains(key)) {
                m_index.remove(key);
                m_indexDirty = true;
            }
        }
    }
    for (const QString &key : keys)
        QFile::remove(entryPath(key));
    std::lock_guard lock(m_indexLock);
    for (const QString &key : keys)
        m_pendingFileDeletes.remove(key);
}

void SDURLCache::dropIfUnreadable(const QString &key, quint64 generation)
{
    if (!isCurrent(generation))
        return;
    // Checked again here, behind any store of the same key that was queued.
    QFile file(entryPath(key));
    if (file.open(QIODevice::ReadOnly) && CacheEntryArchive::decode(file.readAll()))
        return;
    file.close();
    {
        std::lock_guard lock(m_indexLock);
        if (!m_index.contains(key))
            return;
    }
    qWarning().noquote() << "The disk cache drops an unreadable entry" << key;
    removeEntryFiles({ key }, generation);
    saveCacheInfo(generation);
}

void SDURLCache::reconcileWithFolder(quint64 generation)
{
    if (!isCurrent(generation))
        return;
    struct FileFacts {
        quint64 size;
        qint64 modifiedMSecs;
    };
    QHash<QString, FileFacts> files;
    const QFileInfoList entries
        = QDir(m_diskCachePath).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        if (CacheKey::isValid(name))
            files.insert(name,
                { static_cast<quint64>(info.size()), info.lastModified().toMSecsSinceEpoch() });
        else if (CacheFiles::isLeftOverTemporaryFile(name))
            QFile::remove(info.filePath());
    }

    bool changed = false;
    {
        std::lock_guard lock(m_indexLock);
        if (!isCurrent(generation))
            return;
        // Entries whose files are gone leave the index; sizes follow the files.
        const QStringList known = m_index.keys();
        for (const QString &key : known) {
            const auto file = files.constFind(key);
            if (file == files.cend()) {
                m_index.remove(key);
                changed = true;
            } else if (m_index.sizeOf(key) != file->size) {
                m_index.recordStore(key, file->size, m_index.lastAccessMSecs(key).value_or(0));
                changed = true;
            }
        }
        // Files the index does not know (an index lost or written before a
        // crash) count toward the budget, aged by their modification time, so
        // eviction can reach them.
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (!m_index.contains(it.key())) {
                m_index.recordStore(it.key(), it->size, it->modifiedMSecs);
                changed = true;
            }
        }
        if (changed)
            m_indexDirty = true;
    }
    if (changed)
        saveCacheInfo(generation);
}

void SDURLCache::removeFolder()
{
    QDir(m_diskCachePath).removeRecursively();
    std::lock_guard lock(m_indexLock);
    --m_pendingFolderRemovals;
}
