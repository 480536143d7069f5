#include "support/cache/HttpDate.h"

#include <QLocale>
#include <QtConcurrent>

#include <gtest/gtest.h>

namespace {

const QDateTime kSunday = QDateTime::fromSecsSinceEpoch(784111777, Qt::UTC); // 1994-11-06 08:49:37

TEST(CacheHttpDate, ReadsTheThreeHttpFormsAndNothingElseInAnyLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // GMT unless the text names another zone.
    for (const char *text : { "Sun, 06 Nov 1994 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
             "Sun Nov 6 08:49:37 1994", "Sunday, 06-Nov-94 08:49:37 GMT",
             "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 06 Nov 1994 10:49:37 GMT+02:00" })
        EXPECT_EQ(HttpDate::parse(QString::fromUtf8(text)), kSunday) << text;
    for (const QString &text : { QString(), u"0"_qs, u"-1"_qs, u"tomorrow"_qs,
             u"Sun, 06 Nov 1994"_qs, u"Sun, 06 Nov 1994 08:49:37 GMT trailing"_qs,
             u"Son, 06 Nov 1994 08:49:37 GMT"_qs, u"Sun, 32 Nov 1994 08:49:37 GMT"_qs,
             u"Sun, 06 Nov 1994 25:49:37 GMT"_qs, u"1994-11-06T08:49:37Z"_qs,
             u"Sun, 06 N\u00f6v 1994 08:49:37 GMT \U0001F600"_qs, QString(5000, u'9') })
        EXPECT_FALSE(HttpDate::parse(text)) << text.toStdString();
    QLocale::setDefault(saved);

    EXPECT_EQ(HttpDate::format(kSunday), u"Sun, 06 Nov 1994 08:49:37 GMT"_qs);
    const QDateTime now
        = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    EXPECT_EQ(HttpDate::parse(HttpDate::format(now)), now);
}

TEST(CacheHttpDate, ParsesFromManyThreadsAtOnce)
{
    QList<int> work(400);
    const QList<bool> results = QtConcurrent::blockingMapped(work, [](int) {
        return HttpDate::parse(u"Sun, 06 Nov 1994 08:49:37 GMT"_qs) == kSunday
            && HttpDate::parse(u"Sunday, 06-Nov-94 08:49:37 GMT"_qs) == kSunday;
    });
    EXPECT_EQ(results.count(true), work.size());
}

} // namespace
