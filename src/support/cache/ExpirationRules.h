#pragma once

#include "support/cache/CachedURLResponse.h"

#include <QDateTime>

#include <optional>

// How long a response stays fresh, from its header fields and status code.
//
// The cache's rules, in order ("reference" is the parsed Date header, or now
// when it is missing or does not parse):
//  1. only 200, 203, 300, 301, 302, 307 and 410 can expire at all;
//  2. "Pragma" equal to exactly "no-cache" gives nothing;
//  3. "Cache-Control" (lower-cased): "no-store" gives nothing; "max-age",
//     an optional "=", then a signed integer n: n >= 1 gives reference + n s,
//     n <= 0 gives nothing, no integer goes on below;
//  4. "Expires" present: Expires - reference (0 when it does not parse), if
//     positive, from now; otherwise nothing;
//  5. without "Expires", 302 and 307 give nothing;
//  6. "Last-Modified" present: a tenth of (reference - Last-Modified) from now
//     when positive, otherwise nothing;
//  7. otherwise reference + one hour.
//
// The freshness helpers used beside the shared cache differ in two ways: the
// "Cache-Control" value keeps its case, and the integer must follow "max-age="
// directly (spaces aside).
namespace ExpirationRules {

enum class Flavour { Cache, Helpers };

bool isCacheableStatus(int statusCode);

std::optional<QDateTime> expirationDate(const HeaderFields &headers, int statusCode,
    const QDateTime &now, Flavour flavour = Flavour::Cache);

// When the response was fetched: nothing for an uncacheable status or an exact
// "Pragma: no-cache"; else the Date header, or now when it is missing or does
// not parse.
std::optional<QDateTime> fetchDate(
    const HeaderFields &headers, int statusCode, const QDateTime &now);

// The max-age a server asked for, read the way the cache reads it (for the
// network adapter's own freshness answer); nullopt when there is none.
std::optional<qint64> maxAgeSeconds(const QString &cacheControl);

} // namespace ExpirationRules
