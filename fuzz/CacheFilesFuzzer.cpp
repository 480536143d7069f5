// The disk cache's files, chosen by the first byte: 0 the index
// ("cacheInfo.plist"), 1 an entry file. What is read must write back to the
// same value, and a damaged file must read as nothing rather than as garbage.
#include "FuzzHarness.h"

#include "support/PropertyList.h"
#include "support/cache/CacheEntryArchive.h"
#include "support/cache/CachedURLResponse.h"
#include "support/cache/DiskCacheIndex.h"

#include <QDateTime>

const QList<QByteArray> fuzz::warmUpInputs = {
    PropertyList::encode(
        QVariantMap { { QStringLiteral("diskUsage"), 1 },
            { QStringLiteral("accesses"),
                QVariantMap { { QStringLiteral("0123456789abcdef0123456789abcdef"),
                    QDateTime::fromMSecsSinceEpoch(0, Qt::UTC) } } },
            { QStringLiteral("sizes"),
                QVariantMap { { QStringLiteral("0123456789abcdef0123456789abcdef"), 1 } } } },
        PropertyList::Format::Binary)
        .prepend('\0'),
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const Dispatch part = dispatch(input, 2);
    if (part.choice == 0) {
        const auto plist = PropertyList::decode(part.rest.toByteArray());
        if (!plist)
            return;
        const auto index = DiskCacheIndex::fromPropertyList(*plist);
        if (!index)
            return;
        quint64 sum = 0;
        for (const QString &key : index->keys()) {
            FUZZ_CHECK(index->sizeOf(key).has_value() && index->lastAccessMSecs(key).has_value());
            sum += *index->sizeOf(key);
        }
        FUZZ_CHECK(sum == index->diskUsage());
        const auto again = PropertyList::decode(index->encode());
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(DiskCacheIndex::fromPropertyList(*again) == index);
        FUZZ_CHECK(index->oldestKeysCovering(qint64(index->diskUsage() & 0x7fffffffffffffff)).size()
            <= index->count());
        return;
    }
    const auto entry = CacheEntryArchive::decode(part.rest.toByteArray());
    if (!entry)
        return;
    entry->cost();
    const auto again = CacheEntryArchive::decode(CacheEntryArchive::encode(*entry));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *entry);
}
