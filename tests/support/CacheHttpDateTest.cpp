#include "support/cache/HttpDate.h"

#include <QLocale>
#include <QtConcurrent>

#include <gtest/gtest.h>

namespace {

const QDateTime kSunday = QDateTime::fromSecsSinceEpoch(784111777, Qt::UTC); // 1994-11-06 08:49:37

TEST(CacheHttpDate, ReadsTheThreeHttpForms)
{
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT")), kSunday);
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun Nov  6 08:49:37 1994")), kSunday);
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun Nov 6 08:49:37 1994")), kSunday);
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sunday, 06-Nov-94 08:49:37 GMT")), kSunday);
}

TEST(CacheHttpDate, HonoursTheZoneNamedInTheText)
{
    // Parsed as GMT unless the text says otherwise.
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun, 06 Nov 1994 08:49:37 UTC")), kSunday);
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun, 06 Nov 1994 10:49:37 GMT+02:00")), kSunday);
}

TEST(CacheHttpDate, IgnoresTheProcessLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(HttpDate::parse(QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT")), kSunday);
    QLocale::setDefault(saved);
}

TEST(CacheHttpDate, RejectsTextThatIsNotAWholeDate)
{
    for (const QString &text : {
             QString(),
             QStringLiteral("0"),
             QStringLiteral("-1"),
             QStringLiteral("tomorrow"),
             QStringLiteral("Sun, 06 Nov 1994"),
             QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT trailing"),
             QStringLiteral("Son, 06 Nov 1994 08:49:37 GMT"),
             QStringLiteral("Sun, 32 Nov 1994 08:49:37 GMT"),
             QStringLiteral("Sun, 06 Nov 1994 25:49:37 GMT"),
             QStringLiteral("1994-11-06T08:49:37Z"),
             QStringLiteral("Sun, 06 N\u00f6v 1994 08:49:37 GMT \U0001F600"),
             QString(5000, u'9'),
         }) {
        EXPECT_FALSE(HttpDate::parse(text)) << text.toStdString();
    }
}

TEST(CacheHttpDate, FormatsWhatItReads)
{
    EXPECT_EQ(HttpDate::format(kSunday), QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT"));
    const QDateTime now
        = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    EXPECT_EQ(HttpDate::parse(HttpDate::format(now)), now);
}

TEST(CacheHttpDate, ParsesFromManyThreadsAtOnce)
{
    QList<int> work(400);
    const QList<bool> results = QtConcurrent::blockingMapped(work, [](int) {
        return HttpDate::parse(QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT")) == kSunday
            && HttpDate::parse(QStringLiteral("Sunday, 06-Nov-94 08:49:37 GMT")) == kSunday;
    });
    EXPECT_EQ(results.count(true), work.size());
}

} // namespace
