#include "text/JsonAccess.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <optional>

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

// What a key path reads in a post, as the service's object and as the
// record's mutable copy alike; a missing key or a non-object stops it.
TEST(JsonAccess, KeyPathsReadStringsAndNumbersInObjectsAndTheirCopies)
{
    const QJsonObject object = post();
    ASSERT_FALSE(object.isEmpty());
    const QVariantMap record = object.toVariantMap();
    const std::pair<const char16_t *, std::optional<const char16_t *>> cases[]
        = { { u"id", u"123" }, { u"num", u"42" }, { u"big", u"12345678901234" },
              { u"ratio", u"1.5" }, { u"starred", u"1" }, { u"unstarred", u"0" },
              { u"nothing", {} }, { u"nested", {} }, { u"list", {} }, { u"missing", {} },
              { u"user.username", u"bob" }, { u"user.id", u"7" },
              { u"user.avatar_image.url", u"http://x/a.png" }, { u"nulluser.username", {} },
              { u"text.length", {} }, { u"user.avatar_image", {} }, { u"user.missing.url", {} },
              { u"", {} },
              // A key with a dot is one key to stringForKey, a path here.
              { u"dotted.key", {} } };
    for (const auto &[path, expected] : cases) {
        SCOPED_TRACE(QString::fromUtf16(path).toStdString());
        const std::optional<QString> want
            = expected ? std::optional(QString::fromUtf16(*expected)) : std::nullopt;
        EXPECT_EQ(JsonAccess::stringForKeyPath(object, path), want);
        EXPECT_EQ(JsonAccess::stringForKeyPath(record, path), want);
        const QString key = QString::fromUtf16(path);
        if (!key.isEmpty() && !key.contains(u'.')) {
            EXPECT_EQ(JsonAccess::stringForKey(object, key), want);
            EXPECT_EQ(JsonAccess::stringForKey(record, key), want);
        }
    }
    EXPECT_EQ(JsonAccess::stringForKey(object, QStringLiteral("dotted.key")), u"odd");

    const auto mentions = JsonAccess::arrayForKeyPath(object, u"entities.mentions");
    ASSERT_TRUE(mentions);
    ASSERT_EQ(mentions->size(), 1);
    EXPECT_EQ(mentions->at(0).toObject().value(u"name").toString(), u"amy");
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"entities.mentions")->size(), 1);
    for (const char16_t *notArray :
        { u"entities.hashtags", u"entities.links", u"reply_to", u"user" })
        EXPECT_FALSE(JsonAccess::arrayForKeyPath(object, notArray));
    EXPECT_EQ(JsonAccess::arrayForKeyPath(object, u"list")->size(), 2);
}

TEST(JsonAccess, MutableCopiesAlsoReadWhatTheProgramPutsInThem)
{
    QVariantMap record;
    record.insert(QStringLiteral("score"), QVariant::fromValue(3.25));
    record.insert(
        QStringLiteral("hash"), QVariantHash { { QStringLiteral("k"), QStringLiteral("v") } });
    record.insert(QStringLiteral("json"), QJsonObject { { QStringLiteral("k"), 5 } });
    record.insert(QStringLiteral("jsonList"), QJsonArray { 1, 2, 3 });
    record.insert(QStringLiteral("names"), QStringList { QStringLiteral("a") });
    EXPECT_EQ(JsonAccess::stringForKey(record, QStringLiteral("score")), u"3.25");
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"hash.k"), u"v");
    EXPECT_EQ(JsonAccess::stringForKeyPath(record, u"json.k"), u"5");
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"jsonList")->size(), 3);
    EXPECT_EQ(JsonAccess::arrayForKeyPath(record, u"names")->size(), 1);
}

TEST(JsonAccess, NumberTextDoesNotLoseDigitsOrInventThem)
{
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(0.1)), u"0.1");
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(-3.0)), u"-3");
    EXPECT_EQ(JsonAccess::stringFromValue(QJsonValue(1e300)), u"1e+300");
    EXPECT_EQ(JsonAccess::stringFromVariant(QVariant(quint64(18446744073709551615ull))),
        u"18446744073709551615");
    for (const QVariant &none :
        { QVariant(), QVariant::fromValue(nullptr), QVariant(QByteArray("x")) })
        EXPECT_FALSE(JsonAccess::stringFromVariant(none));
}

TEST(JsonAccess, BrokenJsonGivesNothingRatherThanGarbage)
{
    for (const char *json : { "", "null", "[1,2]", "{\"user\": [", "{\"user\": \"bob\"}",
             "{\"user\": {\"username\": {}}}" }) {
        const QJsonObject object = QJsonDocument::fromJson(QByteArray(json)).object();
        EXPECT_FALSE(JsonAccess::stringForKeyPath(object, u"user.username")) << json;
        EXPECT_FALSE(JsonAccess::arrayForKeyPath(object, u"entities.mentions")) << json;
    }
}

} // namespace
