#include "support/PropertyList.h"
#include "support/cache/BinaryPlistWriter.h"
#include "support/cache/CacheFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// libplist, which reads every index, must read back exactly what was written.
TEST(CacheBinaryPlistWriter, LibplistReadsBackEveryKindOfObject)
{
    BinaryPlistWriter writer;
    const qint64 millis
        = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 250), Qt::UTC).toMSecsSinceEpoch();
    const qint64 beforeEpoch
        = QDateTime(QDate(1990, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const auto top = writer.addDictionary({
        { writer.addString(u"small"_qs), writer.addUnsigned(7) },
        { writer.addString(u"wide"_qs), writer.addUnsigned(70000) },
        { writer.addString(u"huge"_qs), writer.addUnsigned(5'000'000'000'000ULL) },
        { writer.addString(u"when"_qs), writer.addDate(millis) },
        { writer.addString(u"long ago"_qs), writer.addDate(beforeEpoch) },
        { writer.addString(u"caf\u00e9 \u2603 \U0001F600"_qs),
            writer.addString(QString(40, u'x')) },
        { writer.addString(QString()), writer.addDictionary({}) },
    });
    const auto decoded = PropertyList::decode(writer.finish(top));
    ASSERT_TRUE(decoded);
    const QVariantMap map = decoded->toMap();
    EXPECT_EQ(map.value(u"small"_qs).toULongLong(), 7u);
    EXPECT_EQ(map.value(u"wide"_qs).toULongLong(), 70000u);
    EXPECT_EQ(map.value(u"huge"_qs).toULongLong(), 5'000'000'000'000ULL);
    EXPECT_EQ(map.value(u"when"_qs).toDateTime().toMSecsSinceEpoch(), millis);
    EXPECT_EQ(map.value(u"long ago"_qs).toDateTime().toMSecsSinceEpoch(), beforeEpoch);
    EXPECT_EQ(map.value(u"caf\u00e9 \u2603 \U0001F600"_qs).toString(), QString(40, u'x'));
    EXPECT_EQ(map.value(QString()).typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(map.size(), 7);
}

// Past 255 and 65,535 objects, references take two and then four bytes.
TEST(CacheBinaryPlistWriter, ManyObjectsWidenTheReferences)
{
    for (int count : { 100, 300, 40000 }) {
        BinaryPlistWriter writer;
        QList<QPair<BinaryPlistWriter::Id, BinaryPlistWriter::Id>> entries;
        for (int n = 0; n < count; ++n)
            entries.append({ writer.addString(u"k%1"_qs.arg(n)), writer.addUnsigned(quint64(n)) });
        const QVariantMap map
            = PropertyList::decode(writer.finish(writer.addDictionary(entries)))->toMap();
        ASSERT_EQ(map.size(), count);
        EXPECT_EQ(map.value(u"k%1"_qs.arg(count - 1)).toInt(), count - 1);
    }
}

TEST(CacheFiles, ReplacesWholeFilesAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/V2_0123456789abcdef0123456789abcdef"_qs;
    ASSERT_TRUE(CacheFiles::replaceFile(path, QByteArray(5000, 'a')));
    ASSERT_TRUE(CacheFiles::replaceFile(path, QByteArray("short")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("short"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    QString error;
    EXPECT_FALSE(CacheFiles::replaceFile(path + u"/below-a-file"_qs, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
