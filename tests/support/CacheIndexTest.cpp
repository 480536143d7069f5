#include "support/PropertyList.h"
#include "support/cache/DiskCacheIndex.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

QString key(int n)
{
    return u"V2_%1"_qs.arg(n, 32, 16, QLatin1Char('0'));
}

TEST(CacheIndex, WritesTheThreeKeysAsABinaryPropertyList)
{
    DiskCacheIndex index;
    index.recordStore(key(1), 100, 1'700'000'000'000);
    index.recordStore(key(2), 50, 1'700'000'001'500);
    // A time whose fraction of a second a double carries as 6.99999 ms.
    index.recordStore(key(3), 1, 1'767'268'800'007);
    const QByteArray bytes = index.encode();
    ASSERT_TRUE(bytes.startsWith("bplist00"));

    const QVariantMap root = PropertyList::decode(bytes)->toMap();
    EXPECT_EQ(root.value(u"diskUsage"_qs).toULongLong(), 151u);
    const QVariantMap accesses = root.value(u"accesses"_qs).toMap();
    ASSERT_EQ(accesses.value(key(2)).typeId(), QMetaType::QDateTime);
    EXPECT_EQ(accesses.value(key(2)).toDateTime().toMSecsSinceEpoch(), 1'700'000'001'500);
    EXPECT_EQ(root.value(u"sizes"_qs).toMap().value(key(1)).toULongLong(), 100u);

    const auto reread = DiskCacheIndex::fromPropertyList(*PropertyList::decode(bytes));
    ASSERT_TRUE(reread);
    EXPECT_EQ(*reread, index);
}

TEST(CacheIndex, ADamagedIndexKeepsOnlyWhatItCanTrust)
{
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1700000000500, Qt::UTC);
    // Dates the cache cannot have written: they would not read back the same.
    const QDateTime before2001 = QDateTime::fromMSecsSinceEpoch(631152000500, Qt::UTC);
    const QDateTime after2068 = QDateTime(QDate(2070, 1, 1), QTime(0, 0), Qt::UTC);
    const QVariantMap plist {
        { u"diskUsage"_qs, 999999 },
        { u"accesses"_qs,
            QVariantMap { { key(1), date }, { key(2), date }, { key(3), u"not a date"_qs },
                { u"../../escape"_qs, date }, { key(5), before2001 }, { key(6), after2068 } } },
        { u"sizes"_qs,
            QVariantMap { { key(1), 10 }, { key(3), 20 }, { u"../../escape"_qs, 5 }, { key(4), 7 },
                { key(5), 1 }, { key(6), 1 } } },
    };
    const auto index = DiskCacheIndex::fromPropertyList(plist);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->keys(), QStringList { key(1) });
    EXPECT_EQ(index->diskUsage(), 10u);

    EXPECT_FALSE(DiskCacheIndex::fromPropertyList(QVariantList {}));
    EXPECT_FALSE(DiskCacheIndex::fromPropertyList(QVariantMap { { u"accesses"_qs, 1 } }));
}

} // namespace
