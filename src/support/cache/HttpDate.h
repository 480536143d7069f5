#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// HTTP dates, read with three ICU date formats (locale en_US, time zone GMT),
// tried in this order; the first that reads the whole text wins:
//   "EEE, dd MMM yyyy HH:mm:ss z"   RFC 1123, "Sun, 06 Nov 1994 08:49:37 GMT"
//   "EEE MMM d HH:mm:ss yyyy"       asctime,  "Sun Nov  6 08:49:37 1994"
//   "EEEE, dd-MMM-yy HH:mm:ss z"    RFC 850,  "Sunday, 06-Nov-94 08:49:37 GMT"
// The formats are made on first use and shared by every thread under one lock.
namespace HttpDate {

std::optional<QDateTime> parse(const QString &text);

// Writes the RFC 1123 form, for headers made by the program itself.
QString format(const QDateTime &date);

} // namespace HttpDate
