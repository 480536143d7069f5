#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// The disk tier's index, "cacheInfo.plist": a binary property list holding
//   "diskUsage" unsigned integer            total bytes of all entry files
//   "accesses"  dictionary key -> date      last store or disk hit
//   "sizes"     dictionary key -> integer   size of the entry's file
// Every key in "accesses" has a size (and, kept by the cache, a file), and
// "diskUsage" is the sum of the sizes. Plain value; the cache locks it.
class DiskCacheIndex {
public:
    // Reads a decoded property list. A damaged index keeps what can be trusted:
    // keys that are entry names and have both a date and a size; the usage is
    // the sum of those sizes, whatever "diskUsage" said. nullopt when the value
    // is not an index at all.
    static std::optional<DiskCacheIndex> fromPropertyList(const QVariant &plist);
    QByteArray encode() const; // binary property list, in time linear in the entries

    bool contains(const QString &key) const { return m_sizes.contains(key); }
    qsizetype count() const { return m_sizes.size(); }
    quint64 diskUsage() const { return m_diskUsage; }
    std::optional<quint64> sizeOf(const QString &key) const;
    std::optional<qint64> lastAccessMSecs(const QString &key) const;
    QStringList keys() const { return m_sizes.keys(); }

    // A new or replaced entry: its old size leaves the usage, the new one joins.
    void recordStore(const QString &key, quint64 size, qint64 accessMSecs);
    // A disk hit; false when the key is unknown (nothing is added then).
    bool touch(const QString &key, qint64 accessMSecs);
    // Forgets the key; returns the size it had (0 when unknown).
    quint64 remove(const QString &key);

    // Keys by last access, oldest first (ties by name, so the order is stable),
    // taken while the bytes still to free stay above zero.
    QStringList oldestKeysCovering(qint64 excessBytes) const;

    friend bool operator==(const DiskCacheIndex &, const DiskCacheIndex &) = default;

private:
    QHash<QString, qint64> m_accesses; // ms since the epoch, UTC
    QHash<QString, quint64> m_sizes;
    quint64 m_diskUsage = 0;
};
