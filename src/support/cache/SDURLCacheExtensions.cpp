#include "support/cache/SDURLCacheExtensions.h"

#include "support/cache/ExpirationRules.h"
#include "support/cache/HttpDate.h"
#include "support/cache/SDURLCache.h"

namespace SDURLCacheExtensions {

std::optional<CachedURLResponse> validCachedResponseForRequest(const QNetworkRequest &request)
{
    SDURLCache *cache = SDURLCache::sharedURLCache();
    if (!cache)
        return std::nullopt;
    auto response = cache->cachedResponseForRequest(request);
    if (!response || !response->url.isValid() || !response->isHTTP)
        return std::nullopt;
    const auto expiration = expirationDateFromHeaders(response->headerFields, response->statusCode);
    if (!expiration || *expiration <= QDateTime::currentDateTimeUtc())
        return std::nullopt;
    return response;
}

bool isCachedAndValid(const QNetworkRequest &request)
{
    return validCachedResponseForRequest(request).has_value();
}

std::optional<CachedURLResponse> validCachedResponseForRequest(
    const QNetworkRequest &request, double seconds)
{
    auto response = validCachedResponseForRequest(request);
    if (!response)
        return std::nullopt;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto fetched = fetchDateFromHeaders(response->headerFields, response->statusCode);
    const double age = fetched ? fetched->msecsTo(now) / 1000.0 : 0.0;
    if (age >= seconds)
        return std::nullopt;
    return response;
}

std::optional<QDateTime> fetchDateFromHeaders(const HeaderFields &headers, int statusCode)
{
    return ExpirationRules::fetchDate(headers, statusCode, QDateTime::currentDateTimeUtc());
}

std::optional<QDateTime> expirationDateFromHeaders(const HeaderFields &headers, int statusCode)
{
    return ExpirationRules::expirationDate(
        headers, statusCode, QDateTime::currentDateTimeUtc(), ExpirationRules::Flavour::Helpers);
}

std::optional<QDateTime> dateFromHttpDateString(const QString &text)
{
    return HttpDate::parse(text);
}

} // namespace SDURLCacheExtensions
