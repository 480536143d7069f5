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
    fields.insert(u"Date"_qs, httpDate(date));
    return fields;
}

std::optional<QDateTime> expiry(const HeaderFields &fields, int status = 200)
{
    return expirationDate(fields, status, kNow, Flavour::Cache);
}

TEST(CacheExpirationRules, TheHeadersGiveTheLifetime)
{
    constexpr qint64 day = 86400;
    const auto at = [](qint64 secs) { return httpDate(kNow.addSecs(secs)); };
    const QString cc = u"Cache-Control"_qs;
    const QString pragma = u"Pragma"_qs;
    const QString expires = u"Expires"_qs;
    const QString modified = u"Last-Modified"_qs;
    const auto S = [](const char *text) { return QString::fromUtf8(text); };
    const std::optional<qint64> never;
    const struct {
        HeaderFields headers;
        std::optional<qint64> served; // the Date header's offset from now; none: no Date
        std::optional<qint64> expires; // offset from now; none: not cached
        int status = 200;
    } cases[] = {
        // Without freshness headers an hour after the date; a Date that does
        // not parse counts as now.
        { {}, 0, 3600 },
        { {}, -600, 3000 },
        { {}, never, 3600 },
        { { { S("Date"), S("garbage") } }, never, 3600 },
        // Pragma blocks only when it is exactly no-cache, whatever the name's case.
        { { { pragma, S("no-cache") } }, 0, never },
        { { { S("PRAGMA"), S("no-cache") } }, never, never },
        { { { pragma, S("No-Cache") } }, 0, 3600 },
        { { { pragma, S("no-cache, x") } }, 0, 3600 },
        { { { pragma, S("no-cache ") } }, 0, 3600 },
        { { { pragma, S("") } }, 0, 3600 },
        // max-age counts from the response's date, in any case and spacing.
        { { { cc, S("max-age=600") } }, -100, 500 },
        { { { cc, S("MAX-AGE=600") } }, -100, 500 },
        { { { cc, S("Max-Age = 600") } }, -100, 500 },
        { { { cc, S("public, mAx-aGe=+600") } }, -100, 500 },
        { { { cc, S("max-age 600") } }, -100, 500 },
        { { { S("cache-control"), S("max-age=5") } }, never, 5 },
        { { { cc, S("max-age=0") } }, 0, never },
        { { { cc, S("max-age=-5") } }, 0, never },
        { { { cc, S("max-age=-99999999999999999999999") } }, 0, never },
        // no-store wins over everything.
        { { { cc, S("public, max-age=600, No-Store") } }, 0, never },
        { { { S("cache-control"), S("no-store") } }, 0, never },
        // A max-age without a number falls through to Expires, which is
        // measured from the date (a server clock a day behind) and added to now.
        { { { cc, S("max-age=\"60\"") }, { expires, at(-day + 900) } }, -day, 900 },
        { { { expires, at(-3000) } }, -3600, 600 },
        { { { expires, at(-10) } }, 0, never },
        { { { expires, at(0) } }, 0, never },
        // An Expires that does not parse ends the search, as already expired.
        { { { expires, S("0") }, { modified, at(-10 * day) } }, 0, never },
        // Last-Modified gives a tenth of the age.
        { { { modified, at(-3600 - 10 * day) } }, -3600, day },
        { { { modified, at(-3600) } }, -3600, never },
        { { { modified, at(-3595) } }, -3600, never },
        { { { modified, S("yesterday") } }, 0, never },
        // Redirects need an explicit lifetime.
        { {}, 0, never, 302 },
        { { { modified, at(-10 * day) } }, 0, never, 307 },
        { { { cc, S("max-age=700") } }, 0, 700, 302 },
        { { { expires, at(800) } }, 0, 800, 307 },
    };
    for (const auto &c : cases) {
        const HeaderFields fields
            = c.served ? dated(c.headers, kNow.addSecs(*c.served)) : c.headers;
        const auto expected = c.expires ? std::optional(kNow.addSecs(*c.expires)) : std::nullopt;
        EXPECT_EQ(expirationDate(fields, c.status, kNow, Flavour::Cache), expected)
            << c.headers.keys().join(u',').toStdString() << ": "
            << c.headers.values().join(u',').toStdString() << " status " << c.status;
    }

    // Only cacheable statuses expire.
    for (int status : { 200, 203, 300, 301, 410 })
        EXPECT_EQ(expiry(dated({}), status), kNow.addSecs(3600)) << status;
    for (int status : { 0, 201, 204, 304, 404, 500, 999, -1 })
        EXPECT_FALSE(expiry(dated({}), status)) << status;

    // A huge max-age is far ahead but still a date.
    const auto date = expiry(dated({ { cc, S("max-age=999999999999999999999999999") } }));
    ASSERT_TRUE(date);
    EXPECT_TRUE(date->isValid());
    EXPECT_GT(*date, kNow.addYears(50));
}

} // namespace
