#include "support/cache/DiskCacheIndex.h"

#include "support/cache/BinaryPlistWriter.h"
#include "support/cache/CacheKey.h"

#include <QDateTime>
#include <QVariantMap>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

const QString kDiskUsage = QStringLiteral("diskUsage");
const QString kAccesses = QStringLiteral("accesses");
const QString kSizes = QStringLiteral("sizes");

std::optional<quint64> asSize(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (value.toLongLong() < 0)
            return std::nullopt;
        return static_cast<quint64>(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toULongLong();
    default:
        return std::nullopt;
    }
}

// The property-list library carries a date as whole seconds from 2001 in 32
// bits and the part of a second without its sign, so only the dates from 2001
// to 2069 read back as they were written. A last access outside them is not
// one the cache wrote.
bool isTrustedAccess(const QDateTime &date)
{
    static const qint64 first
        = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    static const qint64 last = first + qint64(std::numeric_limits<qint32>::max()) * 1000;
    const qint64 ms = date.toMSecsSinceEpoch();
    return ms >= first && ms < last;
}

} // namespace

std::optional<DiskCacheIndex> DiskCacheIndex::fromPropertyList(const QVariant &plist)
{
    if (plist.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap root = plist.toMap();
    const QVariant accesses = root.value(kAccesses);
    const QVariant sizes = root.value(kSizes);
    if (accesses.typeId() != QMetaType::QVariantMap || sizes.typeId() != QMetaType::QVariantMap)
        return std::nullopt;

    DiskCacheIndex index;
    const QVariantMap accessMap = accesses.toMap();
    const QVariantMap sizeMap = sizes.toMap();
    index.m_accesses.reserve(accessMap.size());
    index.m_sizes.reserve(sizeMap.size());
    for (auto it = accessMap.cbegin(); it != accessMap.cend(); ++it) {
        if (!CacheKey::isValid(it.key()) || it.value().typeId() != QMetaType::QDateTime
            || !isTrustedAccess(it.value().toDateTime()))
            continue;
        const auto size = asSize(sizeMap.value(it.key()));
        if (!size)
            continue;
        index.m_accesses.insert(it.key(), it.value().toDateTime().toMSecsSinceEpoch());
        index.m_sizes.insert(it.key(), *size);
        index.m_diskUsage += *size;
    }
    return index;
}

QByteArray DiskCacheIndex::encode() const
{
    BinaryPlistWriter writer;
    QList<QPair<BinaryPlistWriter::Id, BinaryPlistWriter::Id>> accesses;
    QList<QPair<BinaryPlistWriter::Id, BinaryPlistWriter::Id>> sizes;
    accesses.reserve(m_sizes.size());
    sizes.reserve(m_sizes.size());
    for (auto it = m_sizes.cbegin(); it != m_sizes.cend(); ++it) {
        // Each key is written once and shared by both dictionaries.
        const auto key = writer.addString(it.key());
        accesses.append({ key, writer.addDate(m_accesses.value(it.key())) });
        sizes.append({ key, writer.addUnsigned(it.value()) });
    }
    const auto accessesDictionary = writer.addDictionary(std::move(accesses));
    const auto sizesDictionary = writer.addDictionary(std::move(sizes));
    const auto root = writer.addDictionary({
        { writer.addString(kDiskUsage), writer.addUnsigned(m_diskUsage) },
        { writer.addString(kAccesses), accessesDictionary },
        { writer.addString(kSizes), sizesDictionary },
    });
    return writer.finish(root);
}

std::optional<quint64> DiskCacheIndex::sizeOf(const QString &key) const
{
    const auto it = m_sizes.constFind(key);
    if (it == m_sizes.cend())
        return std::nullopt;
    return it.value();
}

std::optional<qint64> DiskCacheIndex::lastAccessMSecs(const QString &key) const
{
    const auto it = m_accesses.constFind(key);
    if (it == m_accesses.cend())
        return std::nullopt;
    return it.value();
}

void DiskCacheIndex::recordStore(const QString &key, quint64 size, qint64 accessMSecs)
{
    if (const auto old = m_sizes.constFind(key); old != m_sizes.cend())
        m_diskUsage -= old.value();
    m_diskUsage += size;
    m_accesses.insert(key, accessMSecs);
    m_sizes.insert(key, size);
}

bool DiskCacheIndex::touch(const QString &key, qint64 accessMSecs)
{
    const auto it = m_accesses.find(key);
    if (it == m_accesses.end())
        return false;
    it.value() = accessMSecs;
    return true;
}

quint64 DiskCacheIndex::remove(const QString &key)
{
    const quint64 size = m_sizes.take(key);
    m_accesses.remove(key);
    m_diskUsage -= size;
    return size;
}

QStringList DiskCacheIndex::oldestKeysCovering(qint64 excessBytes) const
{
    std::vector<std::pair<qint64, QString>> byAge;
    byAge.reserve(static_cast<size_t>(m_accesses.size()));
    for (auto it = m_accesses.cbegin(); it != m_accesses.cend(); ++it)
        byAge.emplace_back(it.value(), it.key());
    std::sort(byAge.begin(), byAge.end());

    QStringList taken;
    for (const auto &[access, key] : byAge) {
        if (excessBytes <= 0)
            break;
        taken.append(key);
        excessBytes -= static_cast<qint64>(m_sizes.value(key));
    }
    return taken;
}
