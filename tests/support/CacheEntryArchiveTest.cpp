#include "CacheTestSupport.h"

#include "support/PropertyList.h"
#include "support/cache/CacheEntryArchive.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

CachedURLResponse fullResponse()
{
    CachedURLResponse response
        = cachetest::response(u"https://example.com/av\u00e4tar.png?size=48"_qs, 203,
            { { u"ETag"_qs, u"\"abc\""_qs }, { u"Content-Type"_qs, u"image/png"_qs },
                { u"X-Odd"_qs, u"caf\u00e9 \u2603"_qs } },
            QByteArray("\x89PNG\r\n\x1a\n\0\0binary", 16));
    response.userInfo = QVariantMap { { u"who"_qs, u"me"_qs }, { u"n"_qs, 7 } };
    response.storagePolicy = CacheStoragePolicy::AllowedInMemoryOnly;
    return response;
}

TEST(CacheEntryArchive, KeepsEveryArchivedValueUnderTheFourArchiveKeys)
{
    const CachedURLResponse original = fullResponse();
    const QByteArray bytes = CacheEntryArchive::encode(original);
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    const auto decoded = CacheEntryArchive::decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, original);
    const QVariantMap root = PropertyList::decode(bytes)->toMap();
    EXPECT_EQ(root.keys(),
        (QStringList { u"response"_qs, u"responseData"_qs, u"storagePolicy"_qs, u"userInfo"_qs }));
    EXPECT_EQ(root.value(u"storagePolicy"_qs).toInt(), 1);

    const CachedURLResponse empty = cachetest::keepable(u"http://example.com/e"_qs, QByteArray());
    const auto emptyBack = CacheEntryArchive::decode(CacheEntryArchive::encode(empty));
    ASSERT_TRUE(emptyBack);
    EXPECT_TRUE(emptyBack->body.isEmpty());
    EXPECT_FALSE(emptyBack->userInfo);
}

TEST(CacheEntryArchive, TruncatedOrDamagedBytesAreNotAnEntry)
{
    const QByteArray bytes = CacheEntryArchive::encode(fullResponse());
    for (qsizetype length = 0; length < bytes.size(); length += 7)
        EXPECT_FALSE(CacheEntryArchive::decode(bytes.left(length))) << length;

    QRandomGenerator random(42);
    int decodedDamaged = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = bytes;
        for (int flips = 0; flips < 4; ++flips)
            damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        // Must not crash; a flip inside the body may still decode.
        if (CacheEntryArchive::decode(damaged))
            ++decodedDamaged;
    }
    EXPECT_LT(decodedDamaged, 300);
}

TEST(CacheEntryArchive, OtherPropertyListsAreNotEntries)
{
    const auto encode = [](const QVariant &value) {
        return PropertyList::encode(value, PropertyList::Format::Binary);
    };
    const QVariantMap root
        = PropertyList::decode(CacheEntryArchive::encode(fullResponse()))->toMap();
    const auto changed = [&](const QString &key, const QVariant &value) {
        QVariantMap map = root;
        map[key] = value;
        return encode(map);
    };
    QVariantMap binaryHeader = root.value(u"response"_qs).toMap();
    binaryHeader[u"headerFields"_qs]
        = QVariantMap { { u"Server"_qs, QByteArray("\x89PNG\0\0", 6) } };
    for (const QByteArray &bytes : { encode(QVariantList { 1, 2 }),
             encode(QVariantMap { { u"responseData"_qs, 5 } }), changed(u"storagePolicy"_qs, 9),
             changed(u"response"_qs, QVariantMap { { u"statusCode"_qs, 200 } }),
             changed(u"response"_qs, binaryHeader),
             QByteArray("<?xml version=\"1.0\"?><plist><dict>") })
        EXPECT_FALSE(CacheEntryArchive::decode(bytes));
}

} // namespace
