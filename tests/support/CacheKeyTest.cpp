#include "support/cache/CacheKey.h"

#include <gtest/gtest.h>

namespace {

TEST(CacheKey, IsV2AndTheMd5OfTheAbsoluteUrlWithoutItsFragment)
{
    EXPECT_EQ(CacheKey::forURL(QUrl(u"http://example.com/avatar.png"_qs)),
        u"V2_180dbc6965d5e2b4c10c866e49d75201"_qs);
    // Non-ASCII characters are hashed in their percent-encoded form.
    EXPECT_EQ(CacheKey::forURL(QUrl(u"https://example.com/a\u00e9?x=1"_qs)),
        u"V2_10c76fda0d85ff4de7cf73072060eb33"_qs);
    for (const QString &text : { u"http://example.com/page#top"_qs, u"http://example.com/page#"_qs,
             u"http://example.com/page#a#b"_qs }) {
        const QUrl canonical = CacheKey::canonicalURL(QUrl(text));
        EXPECT_EQ(canonical, QUrl(u"http://example.com/page"_qs)) << text.toStdString();
        EXPECT_EQ(CacheKey::forURL(canonical), u"V2_c7208ac94afcd66b5d5cd1dc5fc49c8b"_qs);
    }
    // An escaped "#" belongs to the path, not to a fragment.
    const QUrl escaped = QUrl::fromEncoded("http://example.com/a%23b");
    EXPECT_EQ(CacheKey::canonicalURL(escaped), escaped);
}

TEST(CacheKey, OnlyKeyShapedNamesAreEntries)
{
    EXPECT_TRUE(CacheKey::isValid(u"V2_180dbc6965d5e2b4c10c866e49d75201"));
    for (const QString &name :
        { u"cacheInfo.plist"_qs, u"../V2_x"_qs, u"V2_180DBC6965D5E2B4C10C866E49D75201"_qs,
            u"V2_180dbc6965d5e2b4c10c866e49d7520"_qs, u"V2_180dbc6965d5e2b4c10c866e49d75201.tmp"_qs,
            u"V3_180dbc6965d5e2b4c10c866e49d75201"_qs, u"V2_../../../../../../etc/passwd0000"_qs })
        EXPECT_FALSE(CacheKey::isValid(name)) << name.toStdString();
}

} // namespace
