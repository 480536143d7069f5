#include "support/cache/CacheKey.h"

#include <gtest/gtest.h>

namespace {

TEST(CacheKey, IsV2AndTheMd5OfTheAbsoluteUrl)
{
    EXPECT_EQ(CacheKey::forURL(QUrl(QStringLiteral("http://example.com/avatar.png"))),
        QStringLiteral("V2_180dbc6965d5e2b4c10c866e49d75201"));
    // Non-ASCII characters are hashed in their percent-encoded form.
    EXPECT_EQ(CacheKey::forURL(QUrl(QStringLiteral("https://example.com/a\u00e9?x=1"))),
        QStringLiteral("V2_10c76fda0d85ff4de7cf73072060eb33"));
}

TEST(CacheKey, FragmentsShareTheirPagesKey)
{
    const QUrl page(QStringLiteral("http://example.com/page"));
    for (const QString &text :
        { QStringLiteral("http://example.com/page#top"), QStringLiteral("http://example.com/page#"),
            QStringLiteral("http://example.com/page#a#b") }) {
        const QUrl canonical = CacheKey::canonicalURL(QUrl(text));
        EXPECT_EQ(canonical, page) << text.toStdString();
        EXPECT_EQ(
            CacheKey::forURL(canonical), QStringLiteral("V2_c7208ac94afcd66b5d5cd1dc5fc49c8b"));
    }
    // An escaped "#" belongs to the path, not to a fragment.
    const QUrl escaped = QUrl::fromEncoded("http://example.com/a%23b");
    EXPECT_EQ(CacheKey::canonicalURL(escaped), escaped);
}

TEST(CacheKey, CanonicalRequestKeepsEverythingButTheFragment)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://example.com/page#top")));
    request.setRawHeader("X-Test", "1");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    const QNetworkRequest canonical = CacheKey::canonicalRequest(request);
    EXPECT_EQ(canonical.url(), QUrl(QStringLiteral("http://example.com/page")));
    EXPECT_EQ(canonical.rawHeader("X-Test"), QByteArray("1"));
    EXPECT_EQ(canonical.attribute(QNetworkRequest::CacheLoadControlAttribute).toInt(),
        int(QNetworkRequest::PreferCache));
}

TEST(CacheKey, OnlyKeyShapedNamesAreEntries)
{
    EXPECT_TRUE(CacheKey::isValid(u"V2_180dbc6965d5e2b4c10c866e49d75201"));
    for (const QString &name : { QStringLiteral("cacheInfo.plist"), QStringLiteral("../V2_x"),
             QStringLiteral("V2_180DBC6965D5E2B4C10C866E49D75201"),
             QStringLiteral("V2_180dbc6965d5e2b4c10c866e49d7520"),
             QStringLiteral("V2_180dbc6965d5e2b4c10c866e49d75201.tmp"),
             QStringLiteral("V3_180dbc6965d5e2b4c10c866e49d75201"),
             QStringLiteral("V2_../../../../../../etc/passwd0000") })
        EXPECT_FALSE(CacheKey::isValid(name)) << name.toStdString();
}

TEST(CacheKey, OnlyAlwaysNetworkIgnoresLocalData)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://example.com/")));
    EXPECT_FALSE(CacheKey::ignoresLocalData(request));
    for (auto control : { QNetworkRequest::PreferNetwork, QNetworkRequest::PreferCache,
             QNetworkRequest::AlwaysCache }) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, control);
        EXPECT_FALSE(CacheKey::ignoresLocalData(request));
    }
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    EXPECT_TRUE(CacheKey::ignoresLocalData(request));
}

} // namespace
