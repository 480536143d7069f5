#include "support/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

QVariant sample()
{
    return QVariantMap {
        { u"text"_qs, u"héllo 😀 עברית"_qs },
        { u"count"_qs, qint64(42) },
        { u"negative"_qs, qint64(-5) },
        { u"ratio"_qs, 0.25 },
        { u"flag"_qs, true },
        { u"bytes"_qs, QByteArray("\x00\x01\xff", 3) },
        { u"when"_qs, QDateTime(QDate(2012, 8, 20), QTime(17, 3, 0, 500), Qt::UTC) },
        // Before the property lists' epoch of 2001.
        { u"long ago"_qs, QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC) },
        { u"list"_qs, QVariantList { u"a"_qs, qint64(1), QVariantMap {} } },
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
        EXPECT_EQ(map.value(u"text"_qs).toString(), expected.value(u"text"_qs).toString());
        EXPECT_EQ(map.value(u"count"_qs).toLongLong(), 42);
        EXPECT_EQ(map.value(u"negative"_qs).toLongLong(), -5);
        EXPECT_DOUBLE_EQ(map.value(u"ratio"_qs).toDouble(), 0.25);
        EXPECT_TRUE(map.value(u"flag"_qs).toBool());
        EXPECT_EQ(map.value(u"bytes"_qs).toByteArray(), QByteArray("\x00\x01\xff", 3));
        // XML keeps whole seconds, binary keeps milliseconds.
        const qint64 tolerance = format == PropertyList::Format::Xml ? 1000 : 1;
        for (const QString &key : { u"when"_qs, u"long ago"_qs })
            EXPECT_LT(std::abs(map.value(key).toDateTime().toMSecsSinceEpoch()
                          - expected.value(key).toDateTime().toMSecsSinceEpoch()),
                tolerance);
        EXPECT_EQ(map.value(u"list"_qs).toList().size(), 3);
    }
    EXPECT_TRUE(
        PropertyList::encode(sample(), PropertyList::Format::Binary).startsWith("bplist00"));
    EXPECT_TRUE(PropertyList::encode(sample(), PropertyList::Format::Xml).startsWith("<?xml"));
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

// A binary list of the objects given (object 0 is the top), with references
// and offsets of four bytes.
QByteArray binaryList(const QList<QByteArray> &objects)
{
    auto bigEndian = [](quint64 value, int width) {
        QByteArray bytes;
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
            bytes += char((value >> shift) & 0xFF);
        return bytes;
    };
    QByteArray list("bplist00");
    QByteArray offsets;
    for (const QByteArray &object : objects) {
        offsets += bigEndian(quint64(list.size()), 4);
        list += object;
    }
    const quint64 table = quint64(list.size());
    list += offsets;
    list += QByteArray(6, '\0') + char(4) + char(4);
    return list + bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) + bigEndian(table, 8);
}

// An array (or, with marker 0xD0, a dictionary) referring to `objects`.
QByteArray container(const QList<quint64> &objects, char marker = char(0xA0))
{
    QByteArray bytes(1, char(marker | objects.size() / (marker == char(0xA0) ? 1 : 2)));
    for (const quint64 object : objects)
        bytes += QByteArray(1, '\0') + char(object >> 16) + char(object >> 8) + char(object);
    return bytes;
}

// Each array holds the next one, `levels` deep.
QList<QByteArray> nestedArrays(int levels)
{
    QList<QByteArray> objects;
    for (int i = 0; i + 1 < levels; ++i)
        objects.append(container({ quint64(i + 1) }));
    objects.append(container({}));
    return objects;
}

// Lists that are hostile rather than damaged: each must read as nothing, at
// once, without ending the program.
TEST(PropertyList, HostileListsDecodeToNothing)
{
    constexpr int levels = 100000;
    QList<QByteArray> doubling; // each array holds the next twice: 2^40 objects unfolded
    for (quint64 i = 0; i + 1 < 40; ++i)
        doubling.append(container({ i + 1, i + 1 }));
    doubling.append(container({}));
    // Freeing an XML tree a million deep overran the stack.
    const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">"
        + QByteArray("<array>").repeated(levels * 10) + QByteArray("</array>").repeated(levels * 10)
        + "</plist>";
    const QByteArray numberKey
        = binaryList({ container({ 1, 2 }, char(0xD0)), "\x10\x05", "\x10\x06" });
    const struct {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        { "deeply nested binary", binaryList(nestedArrays(levels)) },
        { "deeply nested XML", xml },
        { "deeply nested XML behind stray closing tags",
            QByteArray(xml).insert(
                xml.indexOf("<array>"), QByteArray("</array>").repeated(levels * 10)) },
        { "deeply nested XML behind closing tags in a comment",
            QByteArray(xml).insert(xml.indexOf("<array>"),
                "<!--" + QByteArray("</array>").repeated(levels * 10) + "-->") },
        { "an array shared over and over", binaryList(doubling) },
        { "a dictionary keyed by a number", numberKey },
        { "a string holding a zero character",
            binaryList({ container({ 1 }), QByteArray("\x63\0a\0\0\0b", 7) }) },
        { "a key holding a zero character",
            binaryList({ container({ 1, 2 }, char(0xD0)),
                QByteArray("\x53"
                           "a\0b",
                    4),
                "\x10\x06" }) },
    };
    for (const auto &hostile : cases)
        EXPECT_FALSE(PropertyList::decode(hostile.bytes).has_value()) << hostile.what;
    // The same shapes at the depth of real files still read.
    EXPECT_TRUE(PropertyList::decode(binaryList(nestedArrays(50))).has_value());
    EXPECT_TRUE(PropertyList::decode("<?xml version=\"1.0\"?><plist version=\"1.0\">"
        + QByteArray("<array >").repeated(200) + "<dict/><array/>"
        + QByteArray("</array>").repeated(200) + "</plist>")
                    .has_value());
}

} // namespace
