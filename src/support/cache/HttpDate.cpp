#include "support/cache/HttpDate.h"

#include <QDate>
#include <QLocale>
#include <QStringView>
#include <QTimeZone>

#include <array>

namespace {

constexpr std::array<QStringView, 7> kDays
    = { u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday", u"sunday" };
constexpr std::array<QStringView, 12> kMonths = { u"january", u"february", u"march", u"april",
    u"may", u"june", u"july", u"august", u"september", u"october", u"november", u"december" };

// Universal time and the US zones of mail-era dates, with their offsets in
// hours.
struct NamedZone {
    QStringView name;
    int hours;
};
constexpr std::array<NamedZone, 11> kZones = { { { u"gmt", 0 }, { u"utc", 0 }, { u"ut", 0 },
    { u"est", -5 }, { u"edt", -4 }, { u"cst", -6 }, { u"cdt", -5 }, { u"mst", -7 }, { u"mdt", -6 },
    { u"pst", -8 }, { u"pdt", -7 } } };

// Reads one date form field by field; every read moves past what it read
// and fails without moving.
class Reader {
public:
    explicit Reader(QStringView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_at == m_text.size(); }

    bool literal(QChar c)
    {
        if (m_at >= m_text.size() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    // A space in a form stands for one or more spaces or tabs in the text.
    bool spaces()
    {
        const qsizetype start = m_at;
        while (m_at < m_text.size() && (m_text[m_at] == u' ' || m_text[m_at] == u'\t'))
            ++m_at;
        return m_at > start;
    }

    // `minDigits` to `maxDigits` ASCII digits.
    bool number(int minDigits, int maxDigits, int *value)
    {
        int digits = 0;
        int result = 0;
        while (digits < maxDigits && m_at + digits < m_text.size()) {
            const char16_t c = m_text[m_at + digits].unicode();
            if (c < u'0' || c > u'9')
                break;
            result = result * 10 + (c - u'0');
            ++digits;
        }
        if (digits < minDigits)
            return false;
        m_at += digits;
        *value = result;
        return true;
    }

    // A name from `names` in full or as its first `shortest` or three letters,
    // in any case; gives its index.
    template <size_t N>
    bool name(const std::array<QStringView, N> &names, int *index, int shortest = 3)
    {
        qsizetype length = 0;
        while (m_at + length < m_text.size() && isAsciiLetter(m_text[m_at + length]))
            ++length;
        const QStringView word = m_text.mid(m_at, length);
        for (size_t i = 0; i < N; ++i) {
            if ((word.size() != shortest && word.size() != 3 && word.size() != names[i].size())
                || word.compare(names[i].left(word.size()), Qt::CaseInsensitive) != 0)
                continue;
            m_at += length;
            *index = static_cast<int>(i);
            return true;
        }
        return false;
    }

    bool time(QTime *result)
    {
        int hour = 0;
        int minute = 0;
        int second = 0;
        if (!number(1, 2, &hour) || !literal(u':') || !number(2, 2, &minute) || !literal(u':')
            || !number(2, 2, &second))
            return false;
        *result = QTime(hour, minute, second);
        return result->isValid();
    }

    // "GMT", "UTC", "Z", a US zone name, "GMT"/"UTC" with an offset ("+2",
    // "+02:00") or a bare four-digit offset ("-0500"). Gives seconds east.
    bool zone(int *offsetSeconds)
    {
        const qsizetype start = m_at;
        const int sign = literal(u'+') ? 1 : literal(u'-') ? -1 : 0;
        if (sign != 0) {
            int hhmm = 0;
            if (number(4, 4, &hhmm) && hhmm / 100 <= 23 && hhmm % 100 <= 59) {
                *offsetSeconds = sign * (hhmm / 100 * 3600 + hhmm % 100 * 60);
                return true;
            }
            m_at = start;
            return false;
        }
        qsizetype length = 0;
        while (m_at + length < m_text.size() && isAsciiLetter(m_text[m_at + length]))
            ++length;
        const QStringView word = m_text.mid(m_at, length);
        if (word == u"Z") {
            m_at += length;
            *offsetSeconds = 0;
            return true;
        }
        for (const NamedZone &zone : kZones) {
            if (word.compare(zone.name, Qt::CaseInsensitive) != 0)
                continue;
            m_at += length;
            *offsetSeconds = zone.hours * 3600;
            if (zone.hours == 0)
                offset(offsetSeconds);
            return true;
        }
        return false;
    }

private:
    static bool isAsciiLetter(QChar c)
    {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
    }

    // "+h", "+hh", "+h:mm" or "+hh:mm" after GMT; anything else is left unread.
    bool offset(int *offsetSeconds)
    {
        const qsizetype start = m_at;
        const int sign = literal(u'+') ? 1 : literal(u'-') ? -1 : 0;
        int hours = 0;
        int minutes = 0;
        if (sign != 0 && number(1, 2, &hours) && (!literal(u':') || number(2, 2, &minutes))
            && hours <= 23 && minutes <= 59) {
            *offsetSeconds = sign * (hours * 3600 + minutes * 60);
            return true;
        }
        m_at = start;
        return false;
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

// A two-digit year falls in the hundred years from 80 years before today.
int fullYear(int twoDigits, int month, int day)
{
    const QDate earliest = QDate::currentDate().addYears(-80);
    const int year = earliest.year() - earliest.year() % 100 + twoDigits;
    const QDate date(year, month, day);
    return date.isValid() && date < earliest ? year + 100 : year;
}

std::optional<QDateTime> dateTime(int year, int month, int day, QTime time, int offsetSeconds)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc()).addSecs(-offsetSeconds);
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<QDateTime> readRfc1123(QStringView text)
{
    Reader r(text);
    int weekday = 0, day = 0, month = 0, year = 0, offset = 0;
    QTime time;
    if (r.name(kDays, &weekday, 2) && r.literal(u',') && r.spaces() && r.number(2, 2, &day)
        && r.spaces() && r.name(kMonths, &month) && r.spaces() && r.number(4, 4, &year)
        && r.spaces() && r.time(&time) && r.spaces() && r.zone(&offset) && r.atEnd())
        return dateTime(year, month + 1, day, time, offset);
    return std::nullopt;
}

// "Sun Nov  6 08:49:37 1994", always GMT
std::optional<QDateTime> readAsctime(QStringView text)
{
    Reader r(text);
    int weekday = 0, day = 0, month = 0, year = 0;
    QTime time;
    if (r.name(kDays, &weekday, 2) && r.spaces() && r.name(kMonths, &month) && r.spaces()
        && r.number(1, 2, &day) && r.spaces() && r.time(&time) && r.spaces()
        && r.number(4, 4, &year) && r.atEnd())
        return dateTime(year, month + 1, day, time, 0);
    return std::nullopt;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"; a four-digit year is read as it stands.
std::optional<QDateTime> readRfc850(QStringView text)
{
    Reader r(text);
    int weekday = 0, day = 0, month = 0, year = 0, offset = 0;
    QTime time;
    if (!r.name(kDays, &weekday, 2) || !r.literal(u',') || !r.spaces() || !r.number(2, 2, &day)
        || !r.literal(u'-') || !r.name(kMonths, &month) || !r.literal(u'-'))
        return std::nullopt;
    const bool fourDigits = r.number(4, 4, &year);
    if ((!fourDigits && !r.number(2, 2, &year)) || !r.spaces() || !r.time(&time) || !r.spaces()
        || !r.zone(&offset) || !r.atEnd())
        return std::nullopt;
    if (!fourDigits)
        year = fullYear(year, month + 1, day);
    return dateTime(year, month + 1, day, time, offset);
}

} // namespace

namespace HttpDate {

std::optional<QDateTime> parse(const QString &text)
{
    if (text.isEmpty() || text.size() > 200)
        return std::nullopt;
    // Blanks before the date are read past, blanks after it are not.
    QStringView date(text);
    while (!date.isEmpty() && (date.front() == u' ' || date.front() == u'\t'))
        date = date.mid(1);
    for (const auto read : { readRfc1123, readAsctime, readRfc850 }) {
        if (auto parsed = read(date))
            return parsed;
    }
    return std::nullopt;
}

QString format(const QDateTime &date)
{
    return QLocale::c().toString(date.toUTC(), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'");
}

} // namespace HttpDate
