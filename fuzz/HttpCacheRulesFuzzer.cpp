// What the cache reads from a response's header: the first byte picks the
// status code, the rest is header lines ("Name: value"), as a server may send
// them. HTTP dates and the cache-control rules of both flavours run on them.
#include "FuzzHarness.h"

#include "support/cache/CachedURLResponse.h"
#include "support/cache/ExpirationRules.h"
#include "support/cache/HttpDate.h"

#include <QDateTime>

const QList<QByteArray> fuzz::warmUpInputs = {
    QByteArray("Date: Sun, 06 Nov 1994 08:49:37 GMT\nExpires: Sun Nov  6 08:49:37 1994\n"
               "Last-Modified: Sunday, 06-Nov-94 08:49:37 GMT\nCache-Control: max-age=60\n")
        .prepend('\0'),
};

void fuzz::fuzzOne(QByteArrayView input)
{
    static constexpr int statuses[] = { 200, 203, 300, 301, 302, 307, 410, 404 };
    const Dispatch part = dispatch(input, int(std::size(statuses)));
    const int status = statuses[part.choice];

    QList<QPair<QByteArray, QByteArray>> raw;
    for (const QByteArrayView line : QByteArray(part.rest.toByteArray()).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        raw.append({ line.first(colon).trimmed().toByteArray(),
            line.sliced(colon + 1).trimmed().toByteArray() });
    }
    const HeaderFields fields = headerFieldsFromRaw(raw);
    for (const QString &value : fields) {
        // Before the Gregorian calendar the parser counts Julian days and the
        // writer Gregorian ones; no server dates a response then.
        const auto date = HttpDate::parse(value);
        if (date && date->date().year() >= 1600) {
            const auto again = HttpDate::parse(HttpDate::format(*date));
            FUZZ_CHECK(again && again->toSecsSinceEpoch() == date->toSecsSinceEpoch());
        }
    }
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    for (const auto flavour :
        { ExpirationRules::Flavour::Cache, ExpirationRules::Flavour::Helpers })
        ExpirationRules::expirationDate(fields, status, now, flavour);
    const auto fetched = ExpirationRules::fetchDate(fields, status, now);
    FUZZ_CHECK(!fetched || ExpirationRules::isCacheableStatus(status));
    if (const auto control = headerField(fields, u"Cache-Control"))
        ExpirationRules::maxAgeSeconds(*control);
}
