#include "text/RelativeDate.h"
#include "core/Preferences.h"

#include <gtest/gtest.h>

namespace {

const QDateTime now(QDate(2012, 8, 20), QTime(17, 3, 0), QTimeZone::utc());

QString phraseAt(qint64 ageSeconds, qint64 offset = 0)
{
    return RelativeDate::phrase(now.addSecs(-ageSeconds), now, offset, QTimeZone::utc());
}

TEST(RelativeDatePhrase, SecondsAndMinutesAtEveryBoundary)
{
    EXPECT_EQ(phraseAt(0), u"0 seconds ago");
    EXPECT_EQ(phraseAt(1), u"one second ago");
    EXPECT_EQ(phraseAt(2), u"2 seconds ago");
    EXPECT_EQ(phraseAt(59), u"59 seconds ago");
    EXPECT_EQ(phraseAt(60), u"a minute ago");
    EXPECT_EQ(phraseAt(119), u"a minute ago");
    EXPECT_EQ(phraseAt(120), u"2 minutes ago");
    EXPECT_EQ(phraseAt(44 * 60), u"44 minutes ago");
    EXPECT_EQ(phraseAt(45 * 60 - 1), u"44 minutes ago");
    EXPECT_EQ(phraseAt(45 * 60), u"an hour ago");
    EXPECT_EQ(phraseAt(119 * 60), u"an hour ago");
    EXPECT_EQ(phraseAt(7199), u"an hour ago");
}

TEST(RelativeDatePhrase, HoursDaysMonthsYearsAtEveryBoundary)
{
    EXPECT_EQ(phraseAt(7200), u"2 hours ago");
    EXPECT_EQ(phraseAt(23 * 3600 + 59 * 60), u"23 hours ago");
    EXPECT_EQ(phraseAt(86399), u"23 hours ago");
    EXPECT_EQ(phraseAt(86400), u"yesterday");
    EXPECT_EQ(phraseAt(47 * 3600), u"yesterday");
    EXPECT_EQ(phraseAt(172799), u"yesterday");
    EXPECT_EQ(phraseAt(172800), u"2 days ago");
    EXPECT_EQ(phraseAt(29 * 86400), u"29 days ago");
    // 30 days back from 20 August is 21 July: not a whole calendar month yet.
    EXPECT_EQ(phraseAt(2592000), u"one month ago");
    EXPECT_EQ(phraseAt(70 * 86400), u"2 months ago");
    EXPECT_EQ(phraseAt(31104000 - 1), u"11 months ago");
    // 360 days: 12 calendar months are not complete, so the years part is 0.
    EXPECT_EQ(phraseAt(31104000), u"one year ago");
    EXPECT_EQ(phraseAt(361 * 86400), u"one year ago");
    EXPECT_EQ(phraseAt(366 * 86400), u"one year ago");
    EXPECT_EQ(phraseAt(3 * 366 * 86400), u"3 years ago");
}

TEST(RelativeDatePhrase, FutureDatesAndTheOffset)
{
    EXPECT_EQ(phraseAt(-60), u"in the future");
    EXPECT_EQ(phraseAt(-1), u"in the future");
    // The row comes from 70 - 2*30 = 10 seconds, the number from 70 seconds
    // read as 1 minute 10 seconds.
    EXPECT_EQ(phraseAt(70, 30), u"10 seconds ago");
    EXPECT_EQ(phraseAt(61, 30), u"one second ago");
    EXPECT_EQ(phraseAt(59, 30), u"in the future");
    // A negative offset makes posts older: 10 s + 60 s is "a minute".
    EXPECT_EQ(phraseAt(10, -30), u"a minute ago");
    // 2 hours 10 minutes old, offset 55 minutes: the minutes row with the
    // calendar's minutes part, 10.
    EXPECT_EQ(phraseAt(2 * 3600 + 600, 3600 - 300), u"10 minutes ago");
}

TEST(RelativeDatePhrase, SubSecondAgesCountWholeSeconds)
{
    const QDateTime date = now.addMSecs(-59900);
    EXPECT_EQ(RelativeDate::phrase(date, now, 0, QTimeZone::utc()), u"59 seconds ago");
    EXPECT_EQ(
        RelativeDate::phrase(now.addMSecs(-1500), now, 0, QTimeZone::utc()), u"one second ago");
}

TEST(RelativeDateCalendar, PartsAreRemaindersAfterLargerUnits)
{
    const QTimeZone utc = QTimeZone::utc();
    const QDateTime from(QDate(2011, 1, 31), QTime(10, 0, 0), utc);
    EXPECT_EQ(RelativeDate::calendarDifference(from, from.addSecs(3900), utc),
        (RelativeDate::CalendarParts { 0, 0, 0, 1, 5, 0 }));
    // 31 January + 1 month is 28 February; 1 March is one more day.
    const QDateTime march1(QDate(2011, 3, 1), QTime(10, 0, 1), utc);
    EXPECT_EQ(RelativeDate::calendarDifference(from, march1, utc),
        (RelativeDate::CalendarParts { 0, 1, 1, 0, 0, 1 }));
    const QDateTime later(QDate(2013, 4, 2), QTime(9, 59, 59), utc);
    EXPECT_EQ(RelativeDate::calendarDifference(from, later, utc),
        (RelativeDate::CalendarParts { 2, 2, 1, 23, 59, 59 }));
    EXPECT_EQ(RelativeDate::calendarDifference(later, from, utc), RelativeDate::CalendarParts {});
}

TEST(RelativeDateCalendar, DaysFollowTheLocalCalendarAcrossDaylightSaving)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // 2012-03-25 had only 23 hours in Berlin.
    const QDateTime before(QDate(2012, 3, 24), QTime(12, 0, 0), berlin);
    const QDateTime after = before.addSecs(3 * 86400);
    const auto parts = RelativeDate::calendarDifference(before, after, berlin);
    EXPECT_EQ(parts.days, 3);
    EXPECT_EQ(parts.hours, 1);
    EXPECT_EQ(RelativeDate::phrase(before, after, 0, berlin), u"3 days ago");
}

TEST(RelativeDateParsing, AcceptsOnlyTheServiceForm)
{
    const auto date = RelativeDate::dateFromISO8601String(QStringLiteral("2012-08-20T17:03:00Z"));
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(*date, now);
    EXPECT_EQ(date->timeSpec(), Qt::UTC);

    for (const char *bad : { "", "2012-08-20", "2012-08-20T17:03:00", "2012-08-20T17:03:00+02:00",
             "2012-08-20 17:03:00Z", "2012-08-20T17:03:00.5Z", "2012-13-20T17:03:00Z",
             "2012-02-30T17:03:00Z", "2012-08-20T24:03:00Z", "2012-08-20T17:03:00z",
             " 2012-08-20T17:03:00Z", "２０12-08-20T17:03:00Z", "abcd-ef-ghTij:kl:mnZ" }) {
        EXPECT_FALSE(RelativeDate::dateFromISO8601String(QString::fromUtf8(bad)).has_value())
            << bad;
    }
    // A local time that does not exist in some zones still parses: it is UTC.
    EXPECT_TRUE(
        RelativeDate::dateFromISO8601String(QStringLiteral("2012-03-25T02:30:00Z")).has_value());
}

TEST(RelativeDateTransformer, UsesTheClockAndTheOffsetPreference)
{
    Preferences &preferences = Preferences::standard();
    preferences.remove(prefs::currentOffset);
    const StringDateToRelativeDateStringTransformer transformer(
        [] { return now; }, QTimeZone::utc());

    EXPECT_EQ(
        transformer.transformedValue(QStringLiteral("2012-08-20T17:02:00Z")), u"a minute ago");
    EXPECT_EQ(
        transformer.transformedValue(QStringLiteral("2012-08-20T17:04:00Z")), u"in the future");
    EXPECT_EQ(transformer.transformedValue(QString()), u"");
    EXPECT_FALSE(transformer.transformedValue(QString()).isNull());
    EXPECT_EQ(transformer.transformedValue(QStringLiteral("yesterday")), u"");
    EXPECT_EQ(transformer.transformedValue(QVariant()), u"");
    EXPECT_EQ(transformer.transformedValue(QVariant(42)), u"");
    EXPECT_EQ(transformer.transformedValue(QVariant(QStringLiteral("2012-08-19T17:03:00Z"))),
        u"yesterday");

    preferences.setValue(prefs::currentOffset, 30);
    EXPECT_EQ(
        transformer.transformedValue(QStringLiteral("2012-08-20T17:01:50Z")), u"10 seconds ago");
    preferences.remove(prefs::currentOffset);
}

} // namespace
