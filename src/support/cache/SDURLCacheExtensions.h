#pragma once

#include "support/cache/CachedURLResponse.h"

#include <QDateTime>
#include <QNetworkRequest>

#include <optional>

// Freshness questions about what the shared cache (SDURLCache::sharedURLCache())
// holds. Unlike the cache itself they read "Cache-Control" as it was sent:
// only lower-case "no-store" and "max-age=" count.
namespace SDURLCacheExtensions {

// A stored HTTP response whose expiration date lies after now.
bool isCachedAndValid(const QNetworkRequest &request);
std::optional<CachedURLResponse> validCachedResponseForRequest(const QNetworkRequest &request);
// The same, and fetched less than `seconds` ago.
std::optional<CachedURLResponse> validCachedResponseForRequest(
    const QNetworkRequest &request, double seconds);

std::optional<QDateTime> fetchDateFromHeaders(const HeaderFields &headers, int statusCode);
std::optional<QDateTime> expirationDateFromHeaders(const HeaderFields &headers, int statusCode);
std::optional<QDateTime> dateFromHttpDateString(const QString &text);

} // namespace SDURLCacheExtensions
