#include "text/RelativeDate.h"

#include "core/Preferences.h"

#include <QDate>
#include <QTime>

Clock systemClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

namespace RelativeDate {

namespace {

constexpr double minute = 60;
constexpr double twoMinutes = 120;
constexpr double threeQuartersOfAnHour = 2700;
constexpr double twoHours = 7200;
constexpr double day = 86400;
constexpr double twoDays = 172800;
constexpr double month = 2592000;
constexpr double yearOf360Days = 31104000;

} // namespace

CalendarParts calendarDifference(const QDateTime &from, const QDateTime &to, const QTimeZone &zone)
{
    CalendarParts parts;
    if (!from.isValid() || !to.isValid() || to < from)
        return parts;
    const QDateTime start = from.toTimeZone(zone);
    const QDateTime end = to.toTimeZone(zone);

    qint64 totalMonths = qint64(end.date().year() - start.date().year()) * 12
        + (end.date().month() - start.date().month());
    while (totalMonths > 0 && start.addMonths(int(totalMonths)) > end)
        --totalMonths;
    const QDateTime afterMonths = start.addMonths(int(totalMonths));
    parts.years = totalMonths / 12;
    parts.months = totalMonths % 12;

    qint64 days = afterMonths.date().daysTo(end.date());
    while (days > 0 && afterMonths.addDays(days) > end)
        --days;
    parts.days = days;

    const qint64 rest = afterMonths.addDays(days).secsTo(end);
    parts.hours = rest / 3600;
    parts.minutes = rest % 3600 / 60;
    parts.seconds = rest % 60;
    return parts;
}

QString phrase(
    const QDateTime &date, const QDateTime &now, qint64 currentOffset, const QTimeZone &zone)
{
    const double age = double(date.msecsTo(now)) / 1000.0 - 2.0 * double(currentOffset);
    if (age < 0)
        return QStringLiteral("in the future");
    const CalendarParts parts = calendarDifference(date, now, zone);
    if (age < minute) {
        if (parts.seconds == 1)
            return QStringLiteral("one second ago");
        return QStringLiteral("%1 seconds ago").arg(parts.seconds);
    }
    if (age < twoMinutes)
        return QStringLiteral("a minute ago");
    if (age < threeQuartersOfAnHour)
        return QStringLiteral("%1 minutes ago").arg(parts.minutes);
    if (age < twoHours)
        return QStringLiteral("an hour ago");
    if (age < day)
        return QStringLiteral("%1 hours ago").arg(parts.hours);
    if (age < twoDays)
        return QStringLiteral("yesterday");
    if (age < month)
        return QStringLiteral("%1 days ago").arg(parts.days);
    if (age < yearOf360Days) {
        if (parts.months > 1)
            return QStringLiteral("%1 months ago").arg(parts.months);
        return QStringLiteral("one month ago");
    }
    if (parts.years > 1)
        return QStringLiteral("%1 years ago").arg(parts.years);
    return QStringLiteral("one year ago");
}

std::optional<QDateTime> dateFromISO8601String(const QString &text)
{
    // yyyy-MM-ddTHH:mm:ssZ
    static constexpr char shape[] = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != qsizetype(sizeof(shape) - 1))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (shape[i] == 'd' ? !(c >= u'0' && c <= u'9') : c != char16_t(shape[i]))
            return std::nullopt;
    }
    auto number = [&text](int from, int length) { return text.mid(from, length).toInt(); };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace RelativeDate

StringDateToRelativeDateStringTransformer::StringDateToRelativeDateStringTransformer(
    Clock clock, QTimeZone zone)
    : m_clock(clock ? std::move(clock) : systemClock())
    , m_zone(std::move(zone))
{
}

QString StringDateToRelativeDateStringTransformer::transformedValue(const QString &createdAt) const
{
    if (createdAt.isNull())
        return QStringLiteral("");
    const auto date = RelativeDate::dateFromISO8601String(createdAt);
    if (!date)
        return QStringLiteral("");
    return relativeDateStringFromDate(*date);
}

QString StringDateToRelativeDateStringTransformer::transformedValue(const QVariant &createdAt) const
{
    if (createdAt.typeId() != QMetaType::QString)
        return QStringLiteral("");
    return transformedValue(createdAt.toString());
}

QString StringDateToRelativeDateStringTransformer::relativeDateStringFromDate(
    const QDateTime &date) const
{
    return RelativeDate::phrase(
        date, m_clock(), Preferences::standard().value(prefs::currentOffset), m_zone);
}
