#include "support/cache/HttpDate.h"

#include <QLocale>
#include <QTimeZone>

#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <array>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

constexpr std::array<const char16_t *, 3> kPatterns = {
    u"EEE, dd MMM yyyy HH:mm:ss z",
    u"EEE MMM d HH:mm:ss yyyy",
    u"EEEE, dd-MMM-yy HH:mm:ss z",
};

// ICU formats keep parse state, so one lock covers their creation and use.
std::mutex formatterLock;
std::array<std::unique_ptr<icu::SimpleDateFormat>, 3> formatters;
bool formattersMade = false;

void makeFormatters()
{
    const icu::Locale locale("en_US");
    for (size_t i = 0; i < kPatterns.size(); ++i) {
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString(kPatterns[i]), locale, status);
        if (U_FAILURE(status))
            continue;
        formatter->adoptTimeZone(icu::TimeZone::getGMT()->clone());
        formatter->setLenient(false);
        formatters[i] = std::move(formatter);
    }
    formattersMade = true;
}

} // namespace

namespace HttpDate {

std::optional<QDateTime> parse(const QString &text)
{
    if (text.isEmpty() || text.size() > 200)
        return std::nullopt;
    const icu::UnicodeString input(
        false, reinterpret_cast<const UChar *>(text.utf16()), static_cast<int32_t>(text.size()));
    std::lock_guard lock(formatterLock);
    if (!formattersMade)
        makeFormatters();
    for (const auto &formatter : formatters) {
        if (!formatter)
            continue;
        icu::ParsePosition position(0);
        const UDate millis = formatter->parse(input, position);
        if (position.getErrorIndex() >= 0 || position.getIndex() != input.length())
            continue;
        if (!std::isfinite(millis))
            continue;
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(millis), Qt::UTC);
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

QString format(const QDateTime &date)
{
    return QLocale::c().toString(date.toUTC(), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'");
}

} // namespace HttpDate
