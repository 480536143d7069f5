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
        QJsonObject fault { { QStringLiteral("path"), QStringLiteral("/stream/0/posts/stream") },
            { QStringLiteral("hostile"), kind } };
        if (sizeBytes)
            fault.insert(QStringLiteral("sizeBytes"), sizeBytes);
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

    // The fields of a post and of its user as the sandbox answers them anyway.
    void expectUsualShape(const QJsonValue &post, const QStringList &except = {})
    {
        const QJsonObject normal
            = ServiceHarness::array(h.api("GET", "posts/stream/global?count=1"))[0].toObject();
        QStringList expected = keys(normal);
        expected.removeAll(QStringLiteral("reply_to"));
        QStringList actual = keys(post);
        actual.removeAll(QStringLiteral("reply_to"));
        for (const QString &key : except)
            expected.removeAll(key);
        EXPECT_EQ(actual, expected);
        if (!except.contains(QStringLiteral("user"))) {
            EXPECT_EQ(keys(post[QStringLiteral("user")]), keys(normal[QStringLiteral("user")]));
            EXPECT_TRUE(
                post[QStringLiteral("user")][QStringLiteral("avatar_image")][QStringLiteral("url")]
                    .toString()
                    .endsWith(u".png"));
        }
        EXPECT_EQ(keys(post[QStringLiteral("source")]), keys(normal[QStringLiteral("source")]));
        EXPECT_EQ(keys(post[QStringLiteral("entities")]), keys(normal[QStringLiteral("entities")]));
    }

    ServiceHarness h;
};

} // namespace

TEST_F(HostilePagesTest, ALongWordAndAPostMadeOfEntities)
{
    const QJsonArray word = posts(QStringLiteral("longWord"));
    ASSERT_EQ(word.size(), 1);
    expectUsualShape(word[0]);
    const QString text = word[0][QStringLiteral("text")].toString();
    EXPECT_EQ(text.size(), 200000);
    EXPECT_FALSE(text.contains(u' '));
    EXPECT_TRUE(word[0][QStringLiteral("entities")][QStringLiteral("links")].toArray().isEmpty());
    EXPECT_EQ(word[0][QStringLiteral("id")].toString(), QStringLiteral("999999999"));
    EXPECT_TRUE(word[0][QStringLiteral("canonical_url")].toString().endsWith(u"/post/999999999"));

    const QJsonArray dense = posts(QStringLiteral("denseEntities"));
    ASSERT_EQ(dense.size(), 1);
    expectUsualShape(dense[0]);
    const QString denseText = dense[0][QStringLiteral("text")].toString();
    EXPECT_EQ(denseText, QStringLiteral("#tag @alice a.com ").repeated(11000));
    const QJsonObject entities = dense[0][QStringLiteral("entities")].toObject();
    const std::pair<const char *, QString> kinds[] = { { "hashtags", QStringLiteral("#tag") },
        { "mentions", QStringLiteral("@alice") }, { "links", QStringLiteral("a.com") } };
    for (const auto &[kind, shown] : kinds) {
        const QJsonArray list = entities[QLatin1String(kind)].toArray();
        ASSERT_EQ(list.size(), 11000) << kind;
        for (const int i : { 0, 1, 5000, 10999 }) {
            const QJsonObject e = list[i].toObject();
            EXPECT_EQ(
                denseText.mid(e[QStringLiteral("pos")].toInt(), e[QStringLiteral("len")].toInt()),
                shown)
                << kind << i;
        }
    }
    EXPECT_EQ(entities[QStringLiteral("mentions")][0][QStringLiteral("id")].toString(),
        QString::number(h.service.store().userByName(QStringLiteral("alice"))->id));
    // The sandbox's own entity rules find the same in a piece of it.
    const TextEntities own = extractEntities(
        denseText.left(18 * 3), [&](const QString &name) -> std::optional<std::pair<Id, QString>> {
            if (const User *u = h.service.store().userByName(name))
                return std::make_pair(u->id, u->username);
            return std::nullopt;
        });
    EXPECT_EQ(JsonRenderer::entities(own)[QStringLiteral("links")][2],
        entities[QStringLiteral("links")][2]);
    EXPECT_EQ(JsonRenderer::entities(own)[QStringLiteral("mentions")][2],
        entities[QStringLiteral("mentions")][2]);
    EXPECT_EQ(JsonRenderer::entities(own)[QStringLiteral("hashtags")][2],
        entities[QStringLiteral("hashtags")][2]);
}

TEST_F(HostilePagesTest, DeepNestingIsOneHundredThousandArraysDeep)
{
    const QByteArray body = answer(QStringLiteral("deepNesting"));
    EXPECT_EQ(body, QByteArray(100000, '[') + QByteArray(100000, ']'));
}

TEST_F(HostilePagesTest, PostsMissingTheirIdUserOrText)
{
    const QJsonArray page = posts(QStringLiteral("postsWithoutIds"));
    ASSERT_EQ(page.size(), 7);
    expectUsualShape(page[0]);
    expectUsualShape(page[1], { QStringLiteral("id") });
    expectUsualShape(page[2], { QStringLiteral("user") });
    expectUsualShape(page[3], { QStringLiteral("text"), QStringLiteral("html") });
    for (const char *key : { "id", "user", "text" }) {
        EXPECT_TRUE(page[4][QLatin1String(key)].isNull()) << key;
        EXPECT_TRUE(page[4].toObject().contains(QLatin1String(key))) << key;
    }
    EXPECT_EQ(page[5][QStringLiteral("id")].toString(QStringLiteral("x")), QString());
    EXPECT_TRUE(page[5][QStringLiteral("user")].toObject().isEmpty());
    EXPECT_EQ(page[5][QStringLiteral("text")].toString(QStringLiteral("x")), QString());
    expectUsualShape(page[6]);
}

TEST_F(HostilePagesTest, DatesNoParserTakes)
{
    const QJsonArray page = posts(QStringLiteral("badDates"));
    ASSERT_EQ(page.size(), 9);
    QStringList texts;
    for (const QJsonValue &post : page) {
        const QJsonValue date = post[QStringLiteral("created_at")];
        texts.append(date.isString() ? date.toString()
                : date.isDouble()    ? QStringLiteral("number")
                : date.isNull()      ? QStringLiteral("null")
                                     : QStringLiteral("none"));
        if (date.isUndefined())
            expectUsualShape(post, { QStringLiteral("created_at") });
        else
            expectUsualShape(post);
    }
    EXPECT_EQ(texts,
        (QStringList { QStringLiteral("YESTERDAY"), QString(),
            QStringLiteral("2024-13-45T25:61:61Z"), QStringLiteral("2024-02-30T12:00:00Z"),
            QStringLiteral("1700000000"), QStringLiteral("number"), QStringLiteral("null"),
            QStringLiteral("Tue, 05 Mar 2024 10:00:00 GMT"), QStringLiteral("none") }));
    for (const QString &text : texts)
        EXPECT_FALSE(QDateTime::fromString(text, Qt::ISODate).isValid()) << text.toStdString();
}

TEST_F(HostilePagesTest, FortyDigitIdsNewestFirstInOneConversation)
{
    const QJsonArray page = posts(QStringLiteral("longIds"));
    ASSERT_EQ(page.size(), 5);
    static const QRegularExpression fortyDigits(QStringLiteral("^[1-9][0-9]{39}$"));
    QString previous;
    for (qsizetype i = 0; i < page.size(); ++i) {
        const QString id = page[i][QStringLiteral("id")].toString();
        EXPECT_TRUE(fortyDigits.match(id).hasMatch()) << id.toStdString();
        EXPECT_TRUE(
            fortyDigits.match(page[i][QStringLiteral("user")][QStringLiteral("id")].toString())
                .hasMatch());
        EXPECT_TRUE(fortyDigits.match(page[i][QStringLiteral("thread_id")].toString()).hasMatch());
        if (i > 0) {
            EXPECT_LT(id, previous); // same length: text order is number order
            EXPECT_EQ(page[i][QStringLiteral("reply_to")].toString(), previous);
        }
        expectUsualShape(page[i]);
        previous = id;
    }
    EXPECT_FALSE(page[0].toObject().contains(QStringLiteral("reply_to")));
}

TEST_F(HostilePagesTest, AHugeAnswerIsValidMadeOnceAndNoLargerThanAsked)
{
    const QByteArray body = answer(QStringLiteral("hugeAnswer"), 2'000'000);
    EXPECT_LE(body.size(), 2'000'000);
    EXPECT_GT(body.size(), 1'990'000);
    QJsonParseError error;
    const QJsonArray page = QJsonDocument::fromJson(body, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_GT(page.size(), 500);
    QSet<QString> ids;
    for (const QJsonValue &post : page)
        ids.insert(post[QStringLiteral("id")].toString());
    EXPECT_EQ(ids.size(), page.size());
    expectUsualShape(page[0]);
    expectUsualShape(page[page.size() - 1]);
    EXPECT_GT(page[0][QStringLiteral("created_at")].toString(),
        page[1][QStringLiteral("created_at")].toString());

    // The second answer of that size shares the first one's bytes.
    const QByteArray again = answer(QStringLiteral("hugeAnswer"), 2'000'000);
    EXPECT_EQ(again.constData(), body.constData());
    // However small the size, it is a page with one post.
    EXPECT_EQ(QJsonDocument::fromJson(answer(QStringLiteral("hugeAnswer"), 10)).array().size(), 1);
}

TEST_F(HostilePagesTest, EveryNameHasAPage)
{
    for (const QString &name : hostileAnswerNames())
        EXPECT_GT(answer(name, name == u"hugeAnswer" ? 5000 : 0).size(), 1000)
            << name.toStdString();
}
