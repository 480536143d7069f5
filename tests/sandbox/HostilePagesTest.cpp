// The generated hostile answers: each is what its name says, and every post
// in them otherwise looks like the sandbox's own.
#include "ServiceHarness.h"

#include "data/Entities.h"
#include "routes/HostilePages.h"
#include "routes/JsonRenderer.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

class HostilePagesTest : public ::testing::Test {
protected:
    // The body a request of the demo user gets under a hostile fault.
    QByteArray answer(const QString &kind, qint64 sizeBytes = 0)
    {
        QJsonObject fault { { u"path"_qs, u"/stream/0/posts/stream"_qs }, { u"hostile"_qs, kind } };
        if (sizeBytes)
            fault.insert(u"sizeBytes"_qs, sizeBytes);
        h.service.faults().add(*Fault::fromJson(fault, nullptr));
        HttpRequest r;
        r.method = "GET";
        r.rawPath = "/stream/0/posts/stream";
        r.headers = { { "authorization", "Bearer demo-token" } };
        FaultPlan plan = h.service.planFor(r);
        EXPECT_TRUE(plan.answer);
        EXPECT_EQ(plan.answer->contentType, "application/json; charset=utf-8");
        if (plan.pendingBody) {
            plan.pendingBody->waitForFinished();
            return plan.pendingBody->result();
        }
        return plan.answer ? plan.answer->body : QByteArray();
    }
    QJsonArray posts(const QString &kind)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(answer(kind), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << kind.toStdString();
        return doc.array();
    }
    static QStringList keys(const QJsonValue &v) { return v.toObject().keys(); }

    // The fields of a post, its user, source and entities as the sandbox answers them anyway.
    void expectUsualShape(const QJsonValue &post, const QStringList &except = {})
    {
        const QJsonObject normal = h.list("posts/stream/global?count=1")[0].toObject();
        QStringList expected = keys(normal);
        QStringList actual = keys(post);
        actual.removeAll(u"reply_to"_qs);
        for (const QString &key : except + QStringList { u"reply_to"_qs })
            expected.removeAll(key);
        EXPECT_EQ(actual, expected);
        for (const char *part : { "user", "source", "entities" }) {
            if (!except.contains(QLatin1String(part))) {
                EXPECT_EQ(keys(at(post, part)), keys(at(normal, part))) << part;
            }
        }
        if (!except.contains(u"user"_qs)) {
            EXPECT_TRUE(str(post, "user.avatar_image.url").endsWith(u".png"));
        }
    }

    ServiceHarness h;
};

} // namespace

TEST_F(HostilePagesTest, ALongWordAndAPostMadeOfEntities)
{
    const QJsonArray word = posts(u"longWord"_qs);
    ASSERT_EQ(word.size(), 1);
    expectUsualShape(word[0]);
    EXPECT_EQ(str(word[0], "text").size(), 200000);
    EXPECT_FALSE(str(word[0], "text").contains(u' '));
    EXPECT_TRUE(at(word[0], "entities.links").toArray().isEmpty());
    EXPECT_EQ(str(word[0], "id"), u"999999999"_qs);
    EXPECT_TRUE(str(word[0], "canonical_url").endsWith(u"/post/999999999"));

    const QJsonArray dense = posts(u"denseEntities"_qs);
    ASSERT_EQ(dense.size(), 1);
    expectUsualShape(dense[0]);
    const QString denseText = str(dense[0], "text");
    EXPECT_EQ(denseText, u"#tag @alice a.com "_qs.repeated(11000));
    const QJsonObject entities = at(dense[0], "entities").toObject();
    // The sandbox's own entity rules find the same in a piece of it.
    const QJsonObject own = JsonRenderer::entities(extractEntities(
        denseText.left(18 * 3), [&](const QString &name) -> std::optional<std::pair<Id, QString>> {
            if (const User *u = h.service.store().userByName(name))
                return std::make_pair(u->id, u->username);
            return std::nullopt;
        }));
    for (const auto &[kind, shown] : { std::pair { "hashtags", u"#tag"_qs },
             std::pair { "mentions", u"@alice"_qs }, std::pair { "links", u"a.com"_qs } }) {
        const QJsonArray list = entities[QLatin1String(kind)].toArray();
        ASSERT_EQ(list.size(), 11000) << kind;
        for (const int i : { 0, 1, 5000, 10999 })
            EXPECT_EQ(denseText.mid(at(list[i], "pos").toInt(), at(list[i], "len").toInt()), shown)
                << kind << i;
        EXPECT_EQ(own[QLatin1String(kind)][2], list[2]) << kind;
    }
}

TEST_F(HostilePagesTest, DeepNestingIsOneHundredThousandArraysDeep)
{
    EXPECT_EQ(answer(u"deepNesting"_qs), QByteArray(100000, '[') + QByteArray(100000, ']'));
}

TEST_F(HostilePagesTest, PostsMissingTheirIdUserOrText)
{
    const QJsonArray page = posts(u"postsWithoutIds"_qs);
    ASSERT_EQ(page.size(), 7);
    expectUsualShape(page[0]);
    expectUsualShape(page[1], { u"id"_qs });
    expectUsualShape(page[2], { u"user"_qs });
    expectUsualShape(page[3], { u"text"_qs, u"html"_qs });
    for (const char *key : { "id", "user", "text" }) {
        EXPECT_TRUE(page[4].toObject().contains(QLatin1String(key))) << key;
        EXPECT_TRUE(at(page[4], key).isNull()) << key;
    }
    EXPECT_EQ(at(page[5], "id").toString(u"x"_qs), QString());
    EXPECT_TRUE(at(page[5], "user").toObject().isEmpty());
    EXPECT_EQ(at(page[5], "text").toString(u"x"_qs), QString());
    expectUsualShape(page[6]);
}

TEST_F(HostilePagesTest, DatesNoParserTakes)
{
    const QJsonArray page = posts(u"badDates"_qs);
    ASSERT_EQ(page.size(), 9);
    QStringList texts;
    for (const QJsonValue &post : page) {
        const QJsonValue date = at(post, "created_at");
        texts.append(date.isString() ? date.toString()
                : date.isDouble()    ? u"number"_qs
                : date.isNull()      ? u"null"_qs
                                     : u"none"_qs);
        expectUsualShape(
            post, date.isUndefined() ? QStringList { u"created_at"_qs } : QStringList());
        EXPECT_FALSE(QDateTime::fromString(texts.last(), Qt::ISODate).isValid());
    }
    EXPECT_EQ(texts,
        (QStringList { u"YESTERDAY"_qs, QString(), u"2024-13-45T25:61:61Z"_qs,
            u"2024-02-30T12:00:00Z"_qs, u"1700000000"_qs, u"number"_qs, u"null"_qs,
            u"Tue, 05 Mar 2024 10:00:00 GMT"_qs, u"none"_qs }));
}

TEST_F(HostilePagesTest, FortyDigitIdsNewestFirstInOneConversation)
{
    const QJsonArray page = posts(u"longIds"_qs);
    ASSERT_EQ(page.size(), 5);
    static const QRegularExpression fortyDigits(u"^[1-9][0-9]{39}$"_qs);
    for (qsizetype i = 0; i < page.size(); ++i) {
        for (const char *key : { "id", "user.id", "thread_id" })
            EXPECT_TRUE(fortyDigits.match(str(page[i], key)).hasMatch()) << key;
        if (i > 0) {
            EXPECT_LT(str(page[i], "id"), str(page[i - 1], "id")); // same length: text order
            EXPECT_EQ(str(page[i], "reply_to"), str(page[i - 1], "id"));
        }
        expectUsualShape(page[i]);
    }
    EXPECT_FALSE(page[0].toObject().contains(u"reply_to"_qs));
}

TEST_F(HostilePagesTest, AHugeAnswerIsValidMadeOnceAndNoLargerThanAsked)
{
    const QByteArray body = answer(u"hugeAnswer"_qs, 2'000'000);
    EXPECT_LE(body.size(), 2'000'000);
    EXPECT_GT(body.size(), 1'990'000);
    QJsonParseError error;
    const QJsonArray page = QJsonDocument::fromJson(body, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_GT(page.size(), 500);
    QSet<QString> ids;
    for (const QJsonValue &post : page)
        ids.insert(str(post, "id"));
    EXPECT_EQ(ids.size(), page.size());
    expectUsualShape(page[0]);
    expectUsualShape(page[page.size() - 1]);
    EXPECT_GT(str(page[0], "created_at"), str(page[1], "created_at"));
    // The second answer of that size shares the first one's bytes.
    EXPECT_EQ(answer(u"hugeAnswer"_qs, 2'000'000).constData(), body.constData());
    // However small the size, it is a page with one post.
    EXPECT_EQ(QJsonDocument::fromJson(answer(u"hugeAnswer"_qs, 10)).array().size(), 1);
}
