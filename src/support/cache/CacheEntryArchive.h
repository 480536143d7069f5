#pragma once

#include "support/cache/CachedURLResponse.h"

#include <QByteArray>

#include <optional>

// The bytes of one entry file: a binary property list holding a dictionary
//   "responseData"  data        the body
//   "response"      dictionary  "URL", "statusCode", "headerFields", "MIMEType", "HTTP"
//   "userInfo"      dictionary  only when the response carries one
//   "storagePolicy" integer     0 allowed, 1 memory only, 2 not allowed
namespace CacheEntryArchive {

QByteArray encode(const CachedURLResponse &response);

// nullopt for anything that is not a complete entry (truncated, damaged, or
// written by something else), so a bad file is a miss and never a crash.
std::optional<CachedURLResponse> decode(const QByteArray &bytes);

} // namespace CacheEntryArchive
