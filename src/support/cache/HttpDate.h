#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// HTTP dates in their three forms, tried in this order; the first that reads
// the whole text wins:
//   RFC 1123  "Sun, 06 Nov 1994 08:49:37 GMT"
//   asctime   "Sun Nov  6 08:49:37 1994" (always GMT)
//   RFC 850   "Sunday, 06-Nov-94 08:49:37 GMT"
// Day and month names are English in any case, in full or shortened to three
// letters; the zone is GMT, UTC, a US zone name or GMT with an offset
// ("GMT+02:00"); two-digit years fall in the hundred years from 80 years ago.
// Reading keeps no state, so any thread may call it; the date read is UTC.
namespace HttpDate {

std::optional<QDateTime> parse(const QString &text);

// Writes the RFC 1123 form, for headers made by the program itself.
QString format(const QDateTime &date);

} // namespace HttpDate
