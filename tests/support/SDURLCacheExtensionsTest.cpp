#include "SDURLCacheTestFixture.h"

#include "support/cache/SDURLCacheExtensions.h"

namespace {

using cachetest::request;
using cachetest::response;

class SDURLCacheExtensionsTest : public SDURLCacheTest {
protected:
    void SetUp() override
    {
        SDURLCacheTest::SetUp();
        SDURLCache::setSharedURLCache(cache.get());
    }
    void TearDown() override { SDURLCache::setSharedURLCache(nullptr); }

    void store(const QString &url, HeaderFields headers, int status = 200)
    {
        cache->storeCachedResponse(response(url, status, std::move(headers)), request(url));
    }

    const QString now = cachetest::httpDate(QDateTime::currentDateTimeUtc());
};

TEST_F(SDURLCacheExtensionsTest, ValidMeansStoredAndNotYetExpired)
{
    store(QStringLiteral("http://e.example/fresh"),
        { { QStringLiteral("Date"), now },
            { QStringLiteral("Cache-Control"), QStringLiteral("max-age=600") } });
    store(QStringLiteral("http://e.example/zero"),
        { { QStringLiteral("Date"), now },
            { QStringLiteral("Cache-Control"), QStringLiteral("max-age=0") } });
    store(QStringLiteral("http://e.example/404"), { { QStringLiteral("Date"), now } }, 404);

    EXPECT_TRUE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/fresh"))));
    EXPECT_FALSE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/zero"))));
    EXPECT_FALSE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/404"))));
    EXPECT_FALSE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/none"))));
    EXPECT_EQ(SDURLCacheExtensions::validCachedResponseForRequest(
                  request(QStringLiteral("http://e.example/fresh")))
                  ->statusCode,
        200);
}

TEST_F(SDURLCacheExtensionsTest, CacheControlIsReadAsSent)
{
    // The cache itself reads "MAX-AGE=0" as no lifetime; these helpers do not
    // see it and fall back to an hour after the Date.
    store(QStringLiteral("http://e.example/upper"),
        { { QStringLiteral("Date"), now },
            { QStringLiteral("Cache-Control"), QStringLiteral("MAX-AGE=0") } });
    EXPECT_TRUE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/upper"))));
    EXPECT_FALSE(SDURLCacheExtensions::expirationDateFromHeaders(
        { { QStringLiteral("Cache-Control"), QStringLiteral("no-store") } }, 200));
}

TEST_F(SDURLCacheExtensionsTest, ForTimeAlsoBoundsTheAgeSinceTheFetch)
{
    const QString tenMinutesAgo
        = cachetest::httpDate(QDateTime::currentDateTimeUtc().addSecs(-600));
    store(QStringLiteral("http://e.example/old"),
        { { QStringLiteral("Date"), tenMinutesAgo },
            { QStringLiteral("Cache-Control"), QStringLiteral("max-age=3600") } });
    const QNetworkRequest old = request(QStringLiteral("http://e.example/old"));
    EXPECT_TRUE(SDURLCacheExtensions::validCachedResponseForRequest(old, 900));
    EXPECT_FALSE(SDURLCacheExtensions::validCachedResponseForRequest(old, 300));
}

TEST_F(SDURLCacheExtensionsTest, WithoutASharedCacheNothingIsValid)
{
    store(QStringLiteral("http://e.example/fresh"),
        { { QStringLiteral("Cache-Control"), QStringLiteral("max-age=600") } });
    SDURLCache::setSharedURLCache(nullptr);
    EXPECT_FALSE(
        SDURLCacheExtensions::isCachedAndValid(request(QStringLiteral("http://e.example/fresh"))));
}

} // namespace
