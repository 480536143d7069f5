#include "support/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

QVariant sample()
{
    return QVariantMap {
        { QStringLiteral("text"), QStringLiteral("héllo 😀 עברית") },
        { QStringLiteral("count"), qint64(42) },
        { QStringLiteral("negative"), qint64(-5) },
        { QStringLiteral("ratio"), 0.25 },
        { QStringLiteral("flag"), true },
        { QStringLiteral("bytes"), QByteArray("\x00\x01\xff", 3) },
        { QStringLiteral("when"), QDateTime(QDate(2012, 8, 20), QTime(17, 3, 0, 500), Qt::UTC) },
        { QStringLiteral("list"), QVariantList { QStringLiteral("a"), qint64(1), QVariantMap {} } },
    };
}

TEST(PropertyList, BinaryAndXmlRoundTripEveryKind)
{
    for (auto format : { PropertyList::Format::Binary, PropertyList::Format::Xml }) {
        const QByteArray data = PropertyList::encode(sample(), format);
        ASSERT_FALSE(data.isEmpty());
        const auto back = PropertyList::decode(data);
        ASSERT_TRUE(back.has_value());
        const QVariantMap map = back->toMap();
        const QVariantMap expected = sample().toMap();
        EXPECT_EQ(map.value(QStringLiteral("text")).toString(),
            expected.value(QStringLiteral("text")).toString());
        EXPECT_EQ(map.value(QStringLiteral("count")).toLongLong(), 42);
        EXPECT_EQ(map.value(QStringLiteral("negative")).toLongLong(), -5);
        EXPECT_DOUBLE_EQ(map.value(QStringLiteral("ratio")).toDouble(), 0.25);
        EXPECT_TRUE(map.value(QStringLiteral("flag")).toBool());
        EXPECT_EQ(map.value(QStringLiteral("bytes")).toByteArray(), QByteArray("\x00\x01\xff", 3));
        // XML keeps whole seconds, binary keeps milliseconds.
        const qint64 tolerance = format == PropertyList::Format::Xml ? 1000 : 1;
        EXPECT_LT(std::abs(map.value(QStringLiteral("when")).toDateTime().toMSecsSinceEpoch()
                      - expected.value(QStringLiteral("when")).toDateTime().toMSecsSinceEpoch()),
            tolerance);
        EXPECT_EQ(map.value(QStringLiteral("list")).toList().size(), 3);
    }
    EXPECT_TRUE(
        PropertyList::encode(sample(), PropertyList::Format::Binary).startsWith("bplist00"));
    EXPECT_TRUE(PropertyList::encode(sample(), PropertyList::Format::Xml).startsWith("<?xml"));
}

TEST(PropertyList, DatesBeforeTheEpochOf2001SurviveToTheSecond)
{
    const QDateTime old(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    const auto back = PropertyList::decode(
        PropertyList::encode(QVariantList { old }, PropertyList::Format::Binary));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->toList().value(0).toDateTime().toMSecsSinceEpoch(), old.toMSecsSinceEpoch());
}

TEST(PropertyList, DamagedBytesDecodeToNothing)
{
    const QByteArray good = PropertyList::encode(sample(), PropertyList::Format::Binary);
    for (int cut : { 0, 4, 8, 20, int(good.size() / 2), int(good.size() - 1) })
        EXPECT_FALSE(PropertyList::decode(good.left(cut)).has_value()) << cut;
    EXPECT_FALSE(PropertyList::decode(QByteArray("not a property list at all")).has_value());
    EXPECT_FALSE(
        PropertyList::decode(QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a")).has_value());
}

} // namespace
