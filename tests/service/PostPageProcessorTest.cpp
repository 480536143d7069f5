#include "SandboxServer.h"
#include "TestSupport.h"

#include "service/PostPageProcessor.h"
#include "support/cache/SDURLCache.h"
#include "text/PostTextStyling.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QJsonObject postWithAvatar(const QString &id, const QString &avatar,
    const QString &text = QStringLiteral("hello #tag @bob"))
{
    QJsonObject avatarImage;
    avatarImage.insert(QStringLiteral("url"), avatar);
    QJsonObject user;
    user.insert(QStringLiteral("id"), QString(QStringLiteral("u") + id));
    user.insert(QStringLiteral("username"), QString(QStringLiteral("user") + id));
    user.insert(QStringLiteral("avatar_image"), avatarImage);
    QJsonObject post;
    post.insert(QStringLiteral("id"), id);
    post.insert(QStringLiteral("created_at"),
        QStringLiteral("2012-08-20T17:03:%1Z").arg(id.toInt() % 60, 2, 10, QLatin1Char('0')));
    post.insert(QStringLiteral("text"), text);
    post.insert(QStringLiteral("user"), user);
    return post;
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

TEST(PostPageProcessor, AnswersThatAreNotArraysOfPostsGiveNoRecords)
{
    QNetworkAccessManager manager;
    PostPageProcessor processor(nullptr, &manager);
    EXPECT_TRUE(runPage(processor, QJsonValue()).isEmpty());
    EXPECT_TRUE(
        runPage(processor, QJsonObject { { QStringLiteral("data"), QJsonArray {} } }).isEmpty());
    EXPECT_TRUE(runPage(processor, QJsonArray {}).isEmpty());
    const auto records = runPage(processor,
        QJsonArray { 1, QStringLiteral("x"), QJsonValue::Null, QJsonObject {},
            QJsonObject { { QStringLiteral("id"), QStringLiteral("7") } } });
    ASSERT_EQ(records.size(), 1); // only the object with an id becomes a record
    EXPECT_TRUE(records.first().theAvatarImage.isNull());
    // No text: the row says so, the record's text stays empty.
    EXPECT_TRUE(records.first().text().isEmpty());
    EXPECT_EQ(records.first().attributedString.text(),
        QString::fromUtf16(PostTextStyling::missingTextPlaceholder));
}

TEST(PostPageProcessor, PostsWithoutAUsableAvatarAreStillShown)
{
    QNetworkAccessManager manager;
    PostPageProcessor processor(nullptr, &manager);
    const QString longWord(10000, QLatin1Char('w'));
    const QJsonArray page {
        postWithAvatar(QStringLiteral("1"), QString()),
        postWithAvatar(QStringLiteral("2"), QStringLiteral("/relative/a.png")),
        postWithAvatar(QStringLiteral("3"), QStringLiteral("file:///etc/passwd")),
        postWithAvatar(QStringLiteral("4"), QStringLiteral("http://127.0.0.1:1/closed.png")),
        postWithAvatar(QStringLiteral("5"), QStringLiteral("not a url at all"),
            QStringLiteral("😀 עברית e\u0301 ") + longWord),
        QJsonObject { { QStringLiteral("id"), 6 }, { QStringLiteral("user"), QJsonValue::Null } },
    };
    const auto records = runPage(processor, page);
    ASSERT_EQ(records.size(), 6);
    for (const PostRecord &r : records)
        EXPECT_TRUE(r.theAvatarImage.isNull()) << r.id().toStdString();
    // The row shows the beginning of an overlong text; the record keeps it whole.
    EXPECT_EQ(records.at(4).text().size(), 10000 + 12);
    EXPECT_EQ(
        records.at(4).attributedString.text().size(), PostTextStyling::maximumShownLength + 1);
    EXPECT_EQ(records.at(5).id(), QStringLiteral("6"));
}

TEST(PostPageProcessor, AvatarsAreFittedStoredAndServedFromTheCacheAfterwards)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start());
    QTemporaryDir cacheDir;
    SDURLCache cache(5242880, 52428800, cacheDir.path());
    QNetworkAccessManager manager;
    PostPageProcessor processor(&cache, &manager);

    QJsonArray page;
    for (int i = 1; i <= 12; ++i) {
        // Two posts share each avatar.
        const QString avatar
            = sandbox.baseUrl().toString() + QStringLiteral("/avatars/p%1.png").arg(i / 2);
        page.append(postWithAvatar(QString::number(i), avatar));
    }
    const auto first = runPage(processor, page);
    ASSERT_EQ(first.size(), 12);
    for (const PostRecord &r : first) {
        ASSERT_FALSE(r.theAvatarImage.isNull()) << r.avatarUrl().toStdString();
        EXPECT_EQ(r.theAvatarImage.size(), QSize(48, 48));
        EXPECT_FALSE(r.attributedString.spans().isEmpty());
    }
    cache.waitForPendingDiskWork();

    // With the avatars failing on the network, the page still gets them all.
    ASSERT_TRUE(sandbox.injectFault(QStringLiteral("/avatars/*"), 500, 0, false, true, 0));
    const auto second = runPage(processor, page);
    ASSERT_EQ(second.size(), 12);
    for (const PostRecord &r : second)
        EXPECT_FALSE(r.theAvatarImage.isNull()) << r.avatarUrl().toStdString();
}

TEST(PostPageProcessor, ANewPageDropsTheOneStillRunning)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start());
    ASSERT_TRUE(sandbox.injectFault(QStringLiteral("/avatars/slow.png"), 200, 1500));
    QNetworkAccessManager manager;
    PostPageProcessor processor(nullptr, &manager);
    QSignalSpy finished(&processor, &PostPageProcessor::finished);
    processor.process(QJsonArray { postWithAvatar(QStringLiteral("1"),
                          sandbox.baseUrl().toString() + QStringLiteral("/avatars/slow.png")) },
        0);
    processor.process(QJsonArray { postWithAvatar(QStringLiteral("2"), QString()) }, 0);
    ASSERT_TRUE(finished.wait(5000));
    QTest::qWait(1800);
    ASSERT_EQ(finished.count(), 1);
    const auto records = finished.at(0).at(0).value<QList<PostRecord>>();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().id(), QStringLiteral("2"));
}

} // namespace
