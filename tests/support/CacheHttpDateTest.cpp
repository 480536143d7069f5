#include "support/cache/HttpDate.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

const QDateTime kSunday = QDateTime::fromSecsSinceEpoch(784111777, Qt::UTC); // 1994-11-06 08:49:37

TEST(CacheHttpDate, ReadsTheThreeHttpFormsAndNothingElseInAnyLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // GMT unless the text names another zone; the forms other readers of
    // HTTP dates accept too (case, blanks before, full names, mail zones).
    for (const char *text : { "Sun, 06 Nov 1994 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
             "Sun Nov 6 08:49:37 1994", "Sunday, 06-Nov-94 08:49:37 GMT",
             "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 06 Nov 1994 10:49:37 GMT+02:00",
             "Sun, 06 Nov 1994 06:49:37 GMT-2", "Sun, 06 Nov 1994 03:49:37 -0500",
             "Sun, 06 Nov 1994 00:49:37 PST", "\tSUN, 06 november 1994 8:49:37 gmt",
             "Sunday, 06-Nov-1994 08:49:37 GMT", "Su, 06 Nov 1994 08:49:37 Z" })
        EXPECT_EQ(HttpDate::parse(QString::fromUtf8(text)), kSunday) << text;
    // Two-digit years fall in the hundred years from 80 years ago.
    const int thisYear = QDate::currentDate().year();
    for (const int year : { thisYear + 19, thisYear - 79 })
        EXPECT_EQ(HttpDate::parse(QStringLiteral("Monday, 01-Dec-%1 00:00:00 GMT")
                                      .arg(year % 100, 2, 10, QLatin1Char('0')))
                      .value_or(QDateTime())
                      .date(),
            QDate(year, 12, 1));
    for (const QString &text : { QString(), u"0"_qs, u"-1"_qs, u"tomorrow"_qs,
             u"Sun, 06 Nov 1994"_qs, u"Sun, 06 Nov 1994 08:49:37 GMT trailing"_qs,
             u"Son, 06 Nov 1994 08:49:37 GMT"_qs, u"Sun, 32 Nov 1994 08:49:37 GMT"_qs,
             u"Sun, 06 Nov 1994 25:49:37 GMT"_qs, u"1994-11-06T08:49:37Z"_qs,
             u"Sun, 06 N\u00f6v 1994 08:49:37 GMT \U0001F600"_qs, QString(5000, u'9'),
             u"Sun, 06 Nov 1994 08:49:37 CET"_qs, u"Fri, 30 Feb 1996 08:49:37 GMT"_qs,
             u"Sun, 06 Nov 1994 08:4:37 GMT"_qs, u"Sun, 06 Nov 1994 08:49:37 GMT "_qs })
        EXPECT_FALSE(HttpDate::parse(text)) << text.toStdString();
    QLocale::setDefault(saved);

    EXPECT_EQ(HttpDate::format(kSunday), u"Sun, 06 Nov 1994 08:49:37 GMT"_qs);
    const QDateTime now
        = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    EXPECT_EQ(HttpDate::parse(HttpDate::format(now)), now);
}

} // namespace
