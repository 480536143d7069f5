#include "support/cache/ExpirationRules.h"

#include "support/cache/HttpDate.h"

#include <limits>

namespace {

// A max-age past this is as good as forever, and keeps the date arithmetic
// inside what QDateTime can hold.
constexpr qint64 kLongestFreshnessSeconds = 100LL * 366 * 24 * 3600;

// Reads like a text scanner that skips white space before each token:
// optional sign, then decimal digits; saturates instead of overflowing.
struct Scanner {
    QStringView text;
    qsizetype pos = 0;

    void skipSpace()
    {
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
    }

    bool scanLiteral(QChar c)
    {
        const qsizetype saved = pos;
        skipSpace();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        pos = saved;
        return false;
    }

    std::optional<qint64> scanInteger()
    {
        const qsizetype saved = pos;
        skipSpace();
        bool negative = false;
        if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
            negative = text[pos] == u'-';
            ++pos;
        }
        const qsizetype digitsStart = pos;
        qint64 value = 0;
        bool saturated = false;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
            const int digit = text[pos].unicode() - u'0';
            if (!saturated) {
                if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
                    saturated = true;
                else
                    value = value * 10 + digit;
            }
            ++pos;
        }
        if (pos == digitsStart) {
            pos = saved;
            return std::nullopt;
        }
        if (saturated)
            return negative ? std::numeric_limits<qint64>::min()
                            : std::numeric_limits<qint64>::max();
        return negative ? -value : value;
    }
};

QDateTime plusSeconds(const QDateTime &date, double seconds)
{
    if (seconds > kLongestFreshnessSeconds)
        seconds = kLongestFreshnessSeconds;
    return date.addMSecs(static_cast<qint64>(seconds * 1000.0));
}

QDateTime referenceDate(const HeaderFields &headers, const QDateTime &now)
{
    // A Date header that does not parse counts as absent.
    if (const auto date = headerField(headers, u"Date")) {
        if (const auto parsed = HttpDate::parse(*date))
            return *parsed;
    }
    return now;
}

bool pragmaForbids(const HeaderFields &headers)
{
    const auto pragma = headerField(headers, u"Pragma");
    return pragma && *pragma == u"no-cache";
}

} // namespace

namespace ExpirationRules {

bool isCacheableStatus(int statusCode)
{
    switch (statusCode) {
    case 200:
    case 203:
    case 300:
    case 301:
    case 302:
    case 307:
    case 410:
        return true;
    default:
        return false;
    }
}

std::optional<qint64> maxAgeSeconds(const QString &cacheControl)
{
    const QString lowered = cacheControl.toLower();
    const qsizetype at = lowered.indexOf(u"max-age");
    if (at < 0)
        return std::nullopt;
    Scanner scanner { lowered, at + 7 };
    scanner.scanLiteral(u'=');
    return scanner.scanInteger();
}

std::optional<QDateTime> expirationDate(
    const HeaderFields &headers, int statusCode, const QDateTime &now, Flavour flavour)
{
    if (!isCacheableStatus(statusCode))
        return std::nullopt;
    if (pragmaForbids(headers))
        return std::nullopt;
    const QDateTime reference = referenceDate(headers, now);

    if (const auto cacheControlField = headerField(headers, u"Cache-Control")) {
        const QString cacheControl
            = flavour == Flavour::Cache ? cacheControlField->toLower() : *cacheControlField;
        if (cacheControl.contains(u"no-store"))
            return std::nullopt;
        const QStringView marker = flavour == Flavour::Cache ? u"max-age" : u"max-age=";
        const qsizetype at = cacheControl.indexOf(marker);
        if (at >= 0) {
            Scanner scanner { cacheControl, at + marker.size() };
            if (flavour == Flavour::Cache)
                scanner.scanLiteral(u'=');
            if (const auto maxAge = scanner.scanInteger()) {
                if (*maxAge >= 1)
                    return plusSeconds(reference, static_cast<double>(*maxAge));
                return std::nullopt;
            }
        }
    }

    if (const auto expires = headerField(headers, u"Expires")) {
        double delta = 0;
        if (const auto expiresDate = HttpDate::parse(*expires))
            delta = reference.msecsTo(*expiresDate) / 1000.0;
        if (delta > 0)
            return plusSeconds(now, delta);
        return std::nullopt;
    }

    if (statusCode == 302 || statusCode == 307)
        return std::nullopt;

    if (const auto lastModified = headerField(headers, u"Last-Modified")) {
        double age = 0;
        if (const auto modified = HttpDate::parse(*lastModified))
            age = modified->msecsTo(reference) / 1000.0;
        if (age > 0)
            return plusSeconds(now, 0.1 * age);
        return std::nullopt;
    }

    return plusSeconds(reference, 3600);
}

std::optional<QDateTime> fetchDate(
    const HeaderFields &headers, int statusCode, const QDateTime &now)
{
    if (!isCacheableStatus(statusCode) || pragmaForbids(headers))
        return std::nullopt;
    return referenceDate(headers, now);
}

} // namespace ExpirationRules
