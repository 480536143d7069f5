#include "SandboxServer.h"
#include "TestSupport.h"

#include "service/PostPageProcessor.h"
#include "support/cache/SDURLCache.h"
#include "text/PostTextStyling.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QJsonObject postWithAvatar(
    const QString &id, const QString &avatar, const QString &text = u"hello #tag @bob"_qs)
{
    const QJsonObject user { { u"id"_qs, QString(u"u"_qs + id) },
        { u"username"_qs, QString(u"user"_qs + id) },
        { u"avatar_image"_qs, QJsonObject { { u"url"_qs, avatar } } } };
    return { { u"id"_qs, id },
        { u"created_at"_qs,
            u"2012-08-20T17:03:%1Z"_qs.arg(id.toInt() % 60, 2, 10, QLatin1Char('0')) },
        { u"text"_qs, text }, { u"user"_qs, user } };
}

QList<PostRecord> runPage(PostPageProcessor &processor, const QJsonValue &answer)
{
    QSignalSpy finished(&processor, &PostPageProcessor::finished);
    processor.process(answer, 0);
    EXPECT_TRUE(finished.wait(10000) || finished.count() == 1);
    if (finished.isEmpty())
        return {};
    return finished.takeFirst().at(0).value<QList<PostRecord>>();
}

TEST(PostPageProcessor, OnlyObjectsWithAnIdBecomeRecordsWithOrWithoutAUsableAvatar)
{
    QNetworkAccessManager manager;
    PostPageProcessor processor(nullptr, &manager);
    EXPECT_TRUE(runPage(processor, QJsonValue()).isEmpty());
    EXPECT_TRUE(runPage(processor, QJsonObject { { u"data"_qs, QJsonArray {} } }).isEmpty());
    EXPECT_TRUE(runPage(processor, QJsonArray {}).isEmpty());
    const auto records = runPage(processor,
        QJsonArray {
            1, u"x"_qs, QJsonValue::Null, QJsonObject {}, QJsonObject { { u"id"_qs, u"7"_qs } } });
    ASSERT_EQ(records.size(), 1); // only the object with an id becomes a record
    EXPECT_TRUE(records.first().theAvatarImage.isNull());
    // No text: the row says so, the record's text stays empty.
    EXPECT_TRUE(records.first().text().isEmpty());
    EXPECT_EQ(records.first().attributedString.text(),
        QString::fromUtf16(PostTextStyling::missingTextPlaceholder));

    // Posts without a usable avatar are still shown.
    const QString longWord(10000, QLatin1Char('w'));
    const QJsonArray page {
        postWithAvatar(u"1"_qs, QString()),
        postWithAvatar(u"2"_qs, u"/relative/a.png"_qs),
        postWithAvatar(u"3"_qs, u"file:///etc/passwd"_qs),
        postWithAvatar(u"4"_qs, u"http://127.0.0.1:1/closed.png"_qs),
        postWithAvatar(u"5"_qs, u"not a url at all"_qs, u"😀 עברית e\u0301 "_qs + longWord),
        QJsonObject { { u"id"_qs, 6 }, { u"user"_qs, QJsonValue::Null } },
    };
    const auto shown = runPage(processor, page);
    ASSERT_EQ(shown.size(), 6);
    for (const PostRecord &r : shown)
        EXPECT_TRUE(r.theAvatarImage.isNull()) << r.id().toStdString();
    // The row shows the beginning of an overlong text; the record keeps it whole.
    EXPECT_EQ(shown.at(4).text().size(), 10000 + 12);
    EXPECT_EQ(shown.at(4).attributedString.text().size(), PostTextStyling::maximumShownLength + 1);
    EXPECT_EQ(shown.at(5).id(), u"6"_qs);
}

// Each avatar the page's `finished` came without, as it arrives.
QHash<QString, QImage> arrivedAvatars(PostPageProcessor &processor)
{
    QHash<QString, QImage> arrived;
    QSignalSpy spy(&processor, &PostPageProcessor::avatarArrived);
    if (processor.isFetchingAvatars()) {
        QSignalSpy settled(&processor, &PostPageProcessor::avatarsSettled);
        EXPECT_TRUE(settled.wait(15000));
    }
    for (const QList<QVariant> &args : spy)
        arrived.insert(args.at(0).toString(), args.at(1).value<QImage>());
    return arrived;
}

TEST(PostPageProcessor, AvatarsComeAfterThePageAreFittedAndOnlyPicturesAreStored)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start());
    QTemporaryDir cacheDir;
    SDURLCache cache(5242880, 52428800, cacheDir.path());
    QNetworkAccessManager manager;
    PostPageProcessor processor(&cache, &manager);

    // A host that answers a page of JSON or HTML where a picture belongs.
    const QString base = sandbox.baseUrl().toString();
    ASSERT_TRUE(sandbox.injectAnswer(u"/avatars/json.png"_qs, "[1,2]", "application/json", 200, 0));
    ASSERT_TRUE(
        sandbox.injectAnswer(u"/avatars/html.png"_qs, "<html>hi</html>", "text/html", 200, 0));
    QJsonArray page;
    for (int i = 1; i <= 12; ++i) {
        // Two posts share each avatar.
        page.append(postWithAvatar(QString::number(i), base + u"/avatars/p%1.png"_qs.arg(i / 2)));
    }
    page.append(postWithAvatar(u"13"_qs, base + u"/avatars/json.png"_qs));
    page.append(postWithAvatar(u"14"_qs, base + u"/avatars/html.png"_qs));
    const auto first = runPage(processor, page);
    ASSERT_EQ(first.size(), 14);
    for (const PostRecord &r : first) {
        EXPECT_TRUE(r.theAvatarImage.isNull()) << "the page waits for no picture";
        EXPECT_FALSE(r.attributedString.spans().isEmpty());
    }
    const auto arrived = arrivedAvatars(processor);
    ASSERT_EQ(arrived.size(), 9); // p0 to p6, json, html: each once
    for (int i = 0; i <= 6; ++i) {
        const QString url = base + u"/avatars/p%1.png"_qs.arg(i);
        EXPECT_EQ(arrived.value(url).size(), QSize(48, 48)) << qPrintable(url);
    }
    for (const char *junk : { "/avatars/json.png", "/avatars/html.png" }) {
        const QString url = base + QLatin1String(junk);
        EXPECT_TRUE(arrived.value(url).isNull());
        EXPECT_FALSE(cache.cachedResponseForRequest(QNetworkRequest(QUrl(url))).has_value())
            << junk << " is no picture and is not kept";
    }
    cache.waitForPendingDiskWork();

    // With the avatars failing on the network, the next page has them all from the cache.
    ASSERT_TRUE(sandbox.injectFault(u"/avatars/*"_qs, 500, 0, false, true, 0));
    page.removeLast();
    page.removeLast();
    const auto second = runPage(processor, page);
    ASSERT_EQ(second.size(), 12);
    for (const PostRecord &r : second)
        EXPECT_FALSE(r.theAvatarImage.isNull()) << r.avatarUrl().toStdString();
    EXPECT_FALSE(processor.isFetchingAvatars());
}

TEST(PostPageProcessor, ANewPageOrADropDropsTheOneBeingStyledButNotItsAvatars)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start());
    ASSERT_TRUE(sandbox.injectFault(u"/avatars/slow.png"_qs, 0, 800));
    QNetworkAccessManager manager;
    PostPageProcessor processor(nullptr, &manager);
    QSignalSpy finished(&processor, &PostPageProcessor::finished);
    const QString slow = sandbox.baseUrl().toString() + u"/avatars/slow.png"_qs;
    processor.process(QJsonArray { postWithAvatar(u"1"_qs, slow) }, 0);
    processor.process(QJsonArray { postWithAvatar(u"2"_qs, slow) }, 0);
    ASSERT_TRUE(finished.wait(5000));
    const auto records = finished.at(0).at(0).value<QList<PostRecord>>();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().id(), u"2"_qs);
    EXPECT_FALSE(arrivedAvatars(processor).value(slow).isNull());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/avatars/slow.png"_qs), 1);

    // A page given up on never comes, so it cannot land in the next load.
    processor.process(QJsonArray { postWithAvatar(u"3"_qs, slow) }, 0);
    processor.dropPage();
    EXPECT_FALSE(processor.isRunning());
    EXPECT_FALSE(finished.wait(500));
}

} // namespace
