#include "text/JsonAccess.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonObject post()
{
    const QByteArray json = R"({
        "id": "123", "text": "hi", "num": 42, "big": 12345678901234, "ratio": 1.5,
        "starred": true, "unstarred": false, "nothing": null, "nested": {"a": 1},
        "list": [1, 2], "reply_to": null,
        "user": {"username": "bob", "id": 7, "avatar_image": {"url": "http://x/a.png"}},
        "nulluser": null,
        "entities": {"mentions": [{"name": "amy", "id": "9"}], "hashtags": {}},
        "dotted.key": "odd"
    })";
    return QJsonDocument::fromJson(json).object();
}

TEST(JsonAccess, StringForKeyReadsStringsAndNumbersOnly)
{
    const QJsonObject p = post();
    ASSERT_FALSE(p.isEmpty());
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("id")), u"123");
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("num")), u"42");
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("big")), u"12345678901234");
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("ratio")), u"1.5");
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("starred")), u"1");
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("unstarred")), u"0");
    EXPECT_FALSE(JsonAccess::stringForKey(p, QStringLiteral("nothing")));
    EXPECT_FALSE(JsonAccess::stringForKey(p, QStringLiteral("nested")));
    EXPECT_FALSE(JsonAccess::stringForKey(p, QStringLiteral("list")));
    EXPECT_FALSE(JsonAccess::stringForKey(p, QStringLiteral("missing")));
    // A key with a dot is one key here, a path elsewhere.
    EXPECT_EQ(JsonAccess::stringForKey(p, QStringLiteral("dotted.key")), u"odd");
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u"dotted.key"));
}

TEST(JsonAccess, KeyPathsStopAtMissingKeysAndNonObjects)
{
    const QJsonObject p = post();
    EXPECT_EQ(JsonAccess::stringForKeyPath(p, u"user.username"), u"bob");
    EXPECT_EQ(JsonAccess::stringForKeyPath(p, u"user.id"), u"7");
    EXPECT_EQ(JsonAccess::stringForKeyPath(p, u"user.avatar_image.url"), u"http://x/a.png");
    EXPECT_EQ(JsonAccess::stringForKeyPath(p, u"text"), u"hi");
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u"nulluser.username"));
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u"text.length"));
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u"user.avatar_image"));
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u"user.missing.url"));
    EXPECT_FALSE(JsonAccess::stringForKeyPath(p, u""));

    const auto mentions = JsonAccess::arrayForKeyPath(p, u"entities.mentions");
    ASSERT_TRUE(mentions);
    ASSERT_EQ(mentions->size(), 1);
    EXPECT_EQ(mentions->at(0).toObject().value(u"name").toString(), u"amy");
    EXPECT_FALSE(JsonAccess::arrayForKeyPath(p, u"entities.hashtags"));
    EXPECT_FALSE(JsonAccess::arrayForKeyPath(p, u"entities.links"));
    EXPECT_FALSE(JsonAccess::arrayForKeyPath(p, u"reply_to"));
    EXPECT_EQ(JsonAccess::arrayForKeyPath(p, u"list")->size(), 2);
}

TEST(JsonAccess, MutableCopiesAnswerLikeTheObjects)
{
    QVariantMap record = post().toVariantMap();
    record.insert(QStringLiteral("score"), QVariant::fromValue(3.25));
    record.insert(
        QStringLiteral("hash"), QVariantHash { { QStringLiteral("k"), QStringLiteral("v") } });
    record.insert(QStringLiteral("json"), QJsonObject { { QStringLiteral("k"), 5 } });
    record.insert(QStringLiteral("jsonList"), QJsonArray { 1, 2, 3 });
    record.insert(QStringLiteral("names"), QStringList { QStringLiteral("a") });

    EXPECT_EQ(JsonAccess::stringForKey(record, QStringLiteral("id")), u"123");
    EXPECT_EQ(JsonAccess::stringForKey(record, QStringLiteral("num")), u"42");
    EXPECT_EQ(JsonAccess::stringForKey(record, QStringLiteral("starred")), u"1");
    EXPECT_EQ(JsonAccess::stringForKey(record, QStringLiteral("score")), u"3.25");
    EXPECT_FALSE(JsonAccess::stringForKey(record, QStringLiteral("nothing")));
    EXPECT_FALSE(JsonAccess::stringForKey(record, QStringLiteral("nested")));
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"user.username"), u"bob");
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"user.avatar_image.url"), u"http://x/a.png");
    EXPECT_FALSE(JsonAccess::stringForKeyPath(record, u"nulluser.username"));
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"hash.k"), u"v");
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"json.k"), u"5");
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"entities.mentions")->size(), 1);
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"jsonList")->size(), 3);
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"names")->size(), 1);
    EXPECT_FALSE(JsonAccess::arrayForKeyPath(record, u"user"));
}

TEST(JsonAccess, NumberTextDoesNotLoseDigitsOrInventThem)
{
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(0.1)), u"0.1");
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(-3.0)), u"-3");
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(1e300)), u"1e+300");
    EXPECT_EQ(JsonAccess::stringFromVariant(QVariant(quint64(18446744073709551615ull))),
        u"18446744073709551615");
    EXPECT_FALSE(JsonAccess::stringFromVariant(QVariant()));
    EXPECT_FALSE(JsonAccess::stringFromVariant(QVariant::fromValue(nullptr)));
    EXPECT_FALSE(JsonAccess::stringFromVariant(QVariant(QByteArray("x"))));
}

} // namespace
