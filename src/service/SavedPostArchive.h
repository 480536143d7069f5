#pragma once

#include "service/PostRecord.h"

#include <QVariantMap>

#include <optional>

// A post record as it is kept in the saved posts' file, and back. The
// service's post object is kept as its JSON text (nulls and long ids stay
// exactly as they came), the author's picture as PNG, and the styled text as
// the text it shows; on reading, the text is styled again the way every
// page is, so a saved post shows complete without a request.
namespace SavedPostArchive {

QVariantMap toArchive(const PostRecord &record);
// Nothing when the entry holds no post. An entry written as a bare post
// dictionary is read as that post.
std::optional<PostRecord> fromArchive(const QVariantMap &archived, qint64 prefsFontSize);

// The same keys with equal values throughout; a picture is equal only to the
// very same picture, so the post loaded again later (with its picture loaded
// again) is another record.
bool sameRecord(const PostRecord &a, const PostRecord &b);

} // namespace SavedPostArchive
