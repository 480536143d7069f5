#include "CacheTestSupport.h"

#include "support/cache/ExpirationRules.h"

#include <gtest/gtest.h>

namespace {

using cachetest::httpDate;
using ExpirationRules::expirationDate;
using ExpirationRules::Flavour;

const QDateTime kNow = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);

HeaderFields dated(HeaderFields fields, const QDateTime &date = kNow)
{
    fields.insert(QStringLiteral("Date"), httpDate(date));
    return fields;
}

std::optional<QDateTime> expiry(
    const HeaderFields &fields, int status = 200, Flavour flavour = Flavour::Cache)
{
    return expirationDate(fields, status, kNow, flavour);
}

TEST(CacheExpirationRules, OnlyCacheableStatusesExpire)
{
    for (int status : { 200, 203, 300, 301, 410 })
        EXPECT_EQ(expiry(dated({}), status), kNow.addSecs(3600)) << status;
    for (int status : { 0, 201, 204, 304, 404, 500, 999, -1 })
        EXPECT_FALSE(expiry(dated({}), status)) << status;
}

TEST(CacheExpirationRules, PragmaBlocksOnlyWhenItIsExactlyNoCache)
{
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Pragma"), QStringLiteral("no-cache") } })));
    for (const QString &value : { QStringLiteral("No-Cache"), QStringLiteral("no-cache, x"),
             QStringLiteral("no-cache "), QStringLiteral("") })
        EXPECT_TRUE(expiry(dated({ { QStringLiteral("Pragma"), value } }))) << value.toStdString();
}

TEST(CacheExpirationRules, MaxAgeCountsFromTheResponseDateInAnyCase)
{
    const QDateTime served = kNow.addSecs(-100);
    for (const QString &value : { QStringLiteral("max-age=600"), QStringLiteral("MAX-AGE=600"),
             QStringLiteral("Max-Age = 600"), QStringLiteral("public, mAx-aGe=+600"),
             QStringLiteral("max-age 600") }) {
        EXPECT_EQ(expiry(dated({ { QStringLiteral("Cache-Control"), value } }, served)),
            served.addSecs(600))
            << value.toStdString();
    }
}

TEST(CacheExpirationRules, MaxAgeOfZeroOrLessMeansNoExpiration)
{
    for (const QString &value : { QStringLiteral("max-age=0"), QStringLiteral("max-age=-5"),
             QStringLiteral("max-age=-99999999999999999999999") })
        EXPECT_FALSE(expiry(dated({ { QStringLiteral("Cache-Control"), value } })))
            << value.toStdString();
}

TEST(CacheExpirationRules, HugeMaxAgeIsFarAheadButStillADate)
{
    const auto date = expiry(dated({ { QStringLiteral("Cache-Control"),
        QStringLiteral("max-age=999999999999999999999999999") } }));
    ASSERT_TRUE(date);
    EXPECT_TRUE(date->isValid());
    EXPECT_GT(*date, kNow.addYears(50));
}

TEST(CacheExpirationRules, NoStoreWinsOverEveryOtherDirective)
{
    EXPECT_FALSE(expiry(dated(
        { { QStringLiteral("Cache-Control"), QStringLiteral("public, max-age=600, No-Store") } })));
    EXPECT_FALSE(
        expiry(dated({ { QStringLiteral("cache-control"), QStringLiteral("no-store") } })));
}

TEST(CacheExpirationRules, MaxAgeWithoutANumberFallsThroughToExpires)
{
    const QDateTime served = kNow.addSecs(-86400); // a server clock a day behind
    const HeaderFields fields
        = dated({ { QStringLiteral("Cache-Control"), QStringLiteral("max-age=\"60\"") },
                    { QStringLiteral("Expires"), httpDate(served.addSecs(900)) } },
            served);
    EXPECT_EQ(expiry(fields), kNow.addSecs(900));
}

TEST(CacheExpirationRules, ExpiresIsMeasuredFromTheDateAndAddedToNow)
{
    EXPECT_EQ(expiry(dated({ { QStringLiteral("Expires"), httpDate(kNow.addSecs(-3000)) } },
                  kNow.addSecs(-3600))),
        kNow.addSecs(600));
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Expires"), httpDate(kNow.addSecs(-10)) } })));
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Expires"), httpDate(kNow) } })));
    // An Expires that does not parse ends the search, as "already expired".
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Expires"), QStringLiteral("0") },
        { QStringLiteral("Last-Modified"), httpDate(kNow.addDays(-10)) } })));
}

TEST(CacheExpirationRules, RedirectsNeedAnExplicitLifetime)
{
    for (int status : { 302, 307 }) {
        EXPECT_FALSE(expiry(dated({}), status));
        EXPECT_FALSE(expiry(
            dated({ { QStringLiteral("Last-Modified"), httpDate(kNow.addDays(-10)) } }), status));
        EXPECT_EQ(
            expiry(dated({ { QStringLiteral("Cache-Control"), QStringLiteral("max-age=700") } }),
                status),
            kNow.addSecs(700));
        EXPECT_EQ(
            expiry(dated({ { QStringLiteral("Expires"), httpDate(kNow.addSecs(800)) } }), status),
            kNow.addSecs(800));
    }
}

TEST(CacheExpirationRules, LastModifiedGivesATenthOfTheAge)
{
    const QDateTime served = kNow.addSecs(-3600);
    EXPECT_EQ(expiry(dated(
                  { { QStringLiteral("Last-Modified"), httpDate(served.addDays(-10)) } }, served)),
        kNow.addDays(1));
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Last-Modified"), httpDate(served) } }, served)));
    EXPECT_FALSE(expiry(
        dated({ { QStringLiteral("Last-Modified"), httpDate(served.addSecs(5)) } }, served)));
    EXPECT_FALSE(
        expiry(dated({ { QStringLiteral("Last-Modified"), QStringLiteral("yesterday") } })));
}

TEST(CacheExpirationRules, WithoutFreshnessHeadersAnHourAfterTheDate)
{
    EXPECT_EQ(expiry(dated({}, kNow.addSecs(-600))), kNow.addSecs(3000));
    EXPECT_EQ(expiry({}), kNow.addSecs(3600));
    // A Date that does not parse counts as now.
    EXPECT_EQ(
        expiry({ { QStringLiteral("Date"), QStringLiteral("garbage") } }), kNow.addSecs(3600));
}

TEST(CacheExpirationRules, HeaderNamesMatchWithoutRegardToCase)
{
    EXPECT_FALSE(expiry({ { QStringLiteral("PRAGMA"), QStringLiteral("no-cache") } }));
    EXPECT_EQ(expiry({ { QStringLiteral("cache-control"), QStringLiteral("max-age=5") } }),
        kNow.addSecs(5));
}

TEST(CacheExpirationRules, HelpersReadCacheControlAsSent)
{
    const HeaderFields upper
        = dated({ { QStringLiteral("Cache-Control"), QStringLiteral("MAX-AGE=600") } });
    EXPECT_EQ(expiry(upper, 200, Flavour::Helpers), kNow.addSecs(3600)); // not recognised
    EXPECT_EQ(expiry(upper, 200, Flavour::Cache), kNow.addSecs(600));

    const HeaderFields spaced
        = dated({ { QStringLiteral("Cache-Control"), QStringLiteral("max-age 600") } });
    EXPECT_EQ(expiry(spaced, 200, Flavour::Helpers), kNow.addSecs(3600));
    EXPECT_EQ(expiry(dated({ { QStringLiteral("Cache-Control"), QStringLiteral("max-age= 600") } }),
                  200, Flavour::Helpers),
        kNow.addSecs(600));

    EXPECT_TRUE(expiry(dated({ { QStringLiteral("Cache-Control"), QStringLiteral("NO-STORE") } }),
        200, Flavour::Helpers));
    EXPECT_FALSE(expiry(dated({ { QStringLiteral("Cache-Control"), QStringLiteral("no-store") } }),
        200, Flavour::Helpers));
}

TEST(CacheExpirationRules, FetchDateIsTheResponseDate)
{
    EXPECT_EQ(
        ExpirationRules::fetchDate(dated({}, kNow.addSecs(-50)), 200, kNow), kNow.addSecs(-50));
    EXPECT_EQ(ExpirationRules::fetchDate({}, 200, kNow), kNow);
    EXPECT_FALSE(ExpirationRules::fetchDate({}, 404, kNow));
    EXPECT_FALSE(ExpirationRules::fetchDate(
        { { QStringLiteral("Pragma"), QStringLiteral("no-cache") } }, 200, kNow));
}

} // namespace
