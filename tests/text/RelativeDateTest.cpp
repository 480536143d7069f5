#include "text/RelativeDate.h"
#include "core/Preferences.h"

#include <gtest/gtest.h>

namespace {

const QDateTime now(QDate(2012, 8, 20), QTime(17, 3, 0), QTimeZone::utc());

QString phraseAt(qint64 ageSeconds, qint64 offset = 0)
{
    return RelativeDate::phrase(now.addSecs(-ageSeconds), now, offset, QTimeZone::utc());
}

TEST(RelativeDatePhrase, EveryUnitAtEveryBoundaryAndTheOffset)
{
    const struct {
        qint64 age, offset;
        const char16_t *phrase;
    } cases[] = { { 0, 0, u"0 seconds ago" }, { 1, 0, u"one second ago" },
        { 2, 0, u"2 seconds ago" }, { 59, 0, u"59 seconds ago" }, { 60, 0, u"a minute ago" },
        { 119, 0, u"a minute ago" }, { 120, 0, u"2 minutes ago" },
        { 45 * 60 - 1, 0, u"44 minutes ago" }, { 45 * 60, 0, u"an hour ago" },
        { 7199, 0, u"an hour ago" }, { 7200, 0, u"2 hours ago" }, { 86399, 0, u"23 hours ago" },
        { 86400, 0, u"yesterday" }, { 172799, 0, u"yesterday" }, { 172800, 0, u"2 days ago" },
        { 29 * 86400, 0, u"29 days ago" },
        // 30 days back from 20 August is 21 July: not a whole calendar month yet.
        { 2592000, 0, u"one month ago" }, { 70 * 86400, 0, u"2 months ago" },
        { 31104000 - 1, 0, u"11 months ago" },
        // 360 days: 12 calendar months are not complete, so the years part is 0.
        { 31104000, 0, u"one year ago" }, { 366 * 86400, 0, u"one year ago" },
        { 3 * 366 * 86400, 0, u"3 years ago" }, { -1, 0, u"in the future" },
        // The row comes from 70 - 2*30 = 10 seconds, the number from 70
        // seconds read as 1 minute 10 seconds.
        { 70, 30, u"10 seconds ago" }, { 61, 30, u"one second ago" }, { 59, 30, u"in the future" },
        // A negative offset makes posts older: 10 s + 60 s is "a minute".
        { 10, -30, u"a minute ago" },
        // 2 hours 10 minutes old, offset 55 minutes: the minutes row with the
        // calendar's minutes part, 10.
        { 2 * 3600 + 600, 3600 - 300, u"10 minutes ago" } };
    for (const auto &c : cases)
        EXPECT_EQ(phraseAt(c.age, c.offset), c.phrase) << c.age << " " << c.offset;
    // Ages below a second count whole seconds.
    EXPECT_EQ(
        RelativeDate::phrase(now.addMSecs(-59900), now, 0, QTimeZone::utc()), u"59 seconds ago");
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
    EXPECT_EQ(RelativeDate::calendarDifference(before, after, berlin),
        (RelativeDate::CalendarParts { 0, 0, 3, 1, 0, 0 }));
    EXPECT_EQ(RelativeDate::phrase(before, after, 0, berlin), u"3 days ago");
}

TEST(RelativeDateParsing, AcceptsOnlyTheServiceForm)
{
    const auto date = RelativeDate::dateFromISO8601String(QStringLiteral("2012-08-20T17:03:00Z"));
    EXPECT_TRUE(date && *date == now && date->timeSpec() == Qt::UTC);

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
    const std::pair<QVariant, const char16_t *> cases[]
        = { { QStringLiteral("2012-08-20T17:02:00Z"), u"a minute ago" },
              { QStringLiteral("2012-08-20T17:04:00Z"), u"in the future" }, { QString(), u"" },
              { QStringLiteral("yesterday"), u"" }, { QVariant(), u"" }, { QVariant(42), u"" } };
    for (const auto &[date, phrase] : cases) {
        EXPECT_EQ(transformer.transformedValue(date), phrase) << date.toString().toStdString();
        EXPECT_FALSE(transformer.transformedValue(date).isNull());
        if (date.typeId() == QMetaType::QString) {
            EXPECT_EQ(transformer.transformedValue(date.toString()), phrase);
        }
    }
    preferences.setValue(prefs::currentOffset, 30);
    EXPECT_EQ(
        transformer.transformedValue(QStringLiteral("2012-08-20T17:01:50Z")), u"10 seconds ago");
    preferences.remove(prefs::currentOffset);
}

} // namespace
