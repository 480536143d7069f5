#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

// Naming of cache entries and the request rules that decide which entry a
// request reaches.
namespace CacheKey {

// "V2_" and the MD5 of the URL's absolute (percent-encoded) text as 32
// lower-case hex digits. Also the entry's file name.
QString forURL(const QUrl &url);

// True for names forURL() can produce; anything else in the cache folder is
// not an entry, and a damaged index cannot name a file outside the folder.
bool isValid(QStringView name);

// The URL up to its first "#": every fragment of a page shares one entry.
QUrl canonicalURL(const QUrl &url);
QNetworkRequest canonicalRequest(const QNetworkRequest &request);

// A request that ignores local cache data (Qt's AlwaysNetwork) neither reads
// from the cache nor stores into it.
bool ignoresLocalData(const QNetworkRequest &request);

} // namespace CacheKey
