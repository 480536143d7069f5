#include "CacheTestSupport.h"

#include "support/PropertyList.h"
#include "support/cache/CacheEntryArchive.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

CachedURLResponse fullResponse()
{
    CachedURLResponse response
        = cachetest::response(QStringLiteral("https://example.com/av\u00e4tar.png?size=48"), 203,
            { { QStringLiteral("ETag"), QStringLiteral("\"abc\"") },
                { QStringLiteral("Content-Type"), QStringLiteral("image/png") },
                { QStringLiteral("X-Odd"), QStringLiteral("caf\u00e9 \u2603") } },
            QByteArray("\x89PNG\r\n\x1a\n\0\0binary", 16));
    response.userInfo = QVariantMap { { QStringLiteral("who"), QStringLiteral("me") },
        { QStringLiteral("n"), 7 } };
    response.storagePolicy = CacheStoragePolicy::AllowedInMemoryOnly;
    return response;
}

TEST(CacheEntryArchive, KeepsEveryArchivedValue)
{
    const CachedURLResponse original = fullResponse();
    const QByteArray bytes = CacheEntryArchive::encode(original);
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    const auto decoded = CacheEntryArchive::decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->url, original.url);
    EXPECT_EQ(decoded->statusCode, 203);
    EXPECT_EQ(decoded->headerFields, original.headerFields);
    EXPECT_EQ(decoded->mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(decoded->body, original.body);
    ASSERT_TRUE(decoded->userInfo);
    EXPECT_EQ(decoded->userInfo->value(QStringLiteral("who")).toString(), QStringLiteral("me"));
    EXPECT_EQ(decoded->userInfo->value(QStringLiteral("n")).toInt(), 7);
    EXPECT_EQ(decoded->storagePolicy, CacheStoragePolicy::AllowedInMemoryOnly);
}

TEST(CacheEntryArchive, UsesTheFourArchiveKeys)
{
    const auto plist = PropertyList::decode(CacheEntryArchive::encode(fullResponse()));
    ASSERT_TRUE(plist);
    const QVariantMap root = plist->toMap();
    EXPECT_EQ(root.keys(),
        (QStringList { QStringLiteral("response"), QStringLiteral("responseData"),
            QStringLiteral("storagePolicy"), QStringLiteral("userInfo") }));
    EXPECT_EQ(root.value(QStringLiteral("storagePolicy")).toInt(), 1);
}

TEST(CacheEntryArchive, EmptyBodyAndNoUserInfoSurvive)
{
    CachedURLResponse empty
        = cachetest::keepable(QStringLiteral("http://example.com/e"), QByteArray());
    const auto decoded = CacheEntryArchive::decode(CacheEntryArchive::encode(empty));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->body.isEmpty());
    EXPECT_FALSE(decoded->userInfo);
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
    EXPECT_FALSE(CacheEntryArchive::decode(encode(QVariantList { 1, 2 })));
    EXPECT_FALSE(
        CacheEntryArchive::decode(encode(QVariantMap { { QStringLiteral("responseData"), 5 } })));
    QVariantMap wrongPolicy
        = PropertyList::decode(CacheEntryArchive::encode(fullResponse()))->toMap();
    wrongPolicy[QStringLiteral("storagePolicy")] = 9;
    EXPECT_FALSE(CacheEntryArchive::decode(encode(wrongPolicy)));
    QVariantMap noUrl = PropertyList::decode(CacheEntryArchive::encode(fullResponse()))->toMap();
    noUrl[QStringLiteral("response")] = QVariantMap { { QStringLiteral("statusCode"), 200 } };
    EXPECT_FALSE(CacheEntryArchive::decode(encode(noUrl)));
    QVariantMap bytesAsField
        = PropertyList::decode(CacheEntryArchive::encode(fullResponse()))->toMap();
    QVariantMap response = bytesAsField.value(QStringLiteral("response")).toMap();
    response[QStringLiteral("headerFields")]
        = QVariantMap { { QStringLiteral("Server"), QByteArray("\x89PNG\0\0", 6) } };
    bytesAsField[QStringLiteral("response")] = response;
    EXPECT_FALSE(CacheEntryArchive::decode(encode(bytesAsField)));
    EXPECT_FALSE(CacheEntryArchive::decode(QByteArray("<?xml version=\"1.0\"?><plist><dict>")));
}

} // namespace
