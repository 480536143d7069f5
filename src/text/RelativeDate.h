#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <functional>
#include <optional>

// What time it is; tests hand in a fixed clock.
using Clock = std::function<QDateTime()>;
Clock systemClock();

namespace RelativeDate {

// The difference between two moments in the calendar of a time zone, each
// part the remainder after the larger units (1 hour 5 minutes gives hours 1
// and minutes 5). Zero everywhere when `to` is before `from`.
struct CalendarParts {
    qint64 years = 0;
    qint64 months = 0;
    qint64 days = 0;
    qint64 hours = 0;
    qint64 minutes = 0;
    qint64 seconds = 0;
    friend bool operator==(const CalendarParts &, const CalendarParts &) = default;
};

CalendarParts calendarDifference(const QDateTime &from, const QDateTime &to, const QTimeZone &zone);

// The phrase for a post made at `date` when the clock says `now`. The row is
// chosen by the age in seconds minus twice `currentOffset`; the number in it
// comes from the calendar difference, which ignores the offset.
QString phrase(const QDateTime &date, const QDateTime &now, qint64 currentOffset,
    const QTimeZone &zone = QTimeZone::systemTimeZone());

// "yyyy-MM-dd'T'HH:mm:ss'Z'" in UTC, exactly; anything else gives none.
std::optional<QDateTime> dateFromISO8601String(const QString &text);

} // namespace RelativeDate

// The date text of a list row: "created_at" in, "5 minutes ago" out.
class StringDateToRelativeDateStringTransformer {
public:
    explicit StringDateToRelativeDateStringTransformer(
        Clock clock = systemClock(), QTimeZone zone = QTimeZone::systemTimeZone());

    // No text, or a text that is not a timestamp, gives "".
    QString transformedValue(const QString &createdAt) const;
    QString transformedValue(const QVariant &createdAt) const;

    static std::optional<QDateTime> dateFromISO8601String(const QString &text)
    {
        return RelativeDate::dateFromISO8601String(text);
    }
    // Reads "currentOffset" from the standard preferences.
    QString relativeDateStringFromDate(const QDateTime &date) const;

private:
    Clock m_clock;
    QTimeZone m_zone;
};
