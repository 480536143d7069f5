// Bulk data for load tests: many mentions at once, and crowds of made-up
// users that the demo user follows or that follow the demo user.
#include "ServiceHarness.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

QStringList idsOf(const HttpResponse &r)
{
    QStringList out;
    for (const QJsonValue &id : ServiceHarness::object(r)[QStringLiteral("ids")].toArray())
        out.append(id.toString());
    return out;
}

int countOf(ServiceHarness &h, const char *which)
{
    return ServiceHarness::object(
        h.api("GET", "users/me"))[QStringLiteral("counts")][QLatin1String(which)]
        .toInt();
}

} // namespace

TEST(BulkData, ManyMentionsAtOnceReachThePollAndThePages)
{
    ServiceHarness h;
    const QString newest
        = ServiceHarness::ids(ServiceHarness::array(h.api("GET", "users/me/mentions?count=1")))
              .value(0);
    const HttpResponse made = h.send("POST", "/_sandbox/mention", R"({"count": 1500})");
    ASSERT_EQ(made.status, 200);
    const QStringList ids = idsOf(made);
    ASSERT_EQ(ids.size(), 1500);
    EXPECT_EQ(ServiceHarness::object(made)[QStringLiteral("count")].toInt(), 1500);
    EXPECT_GT(ids.first().toLongLong(), newest.toLongLong());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end(),
        [](const QString &a, const QString &b) { return a.toLongLong() < b.toLongLong(); }));

    // The poll sees the newest 200; paging back from there finds every one.
    const QJsonArray poll = ServiceHarness::array(
        h.api("GET", "users/me/mentions?count=200&since_id=" + newest.toUtf8()));
    ASSERT_EQ(poll.size(), 200);
    EXPECT_EQ(poll[0][QStringLiteral("id")].toString(), ids.last());
    QStringList paged;
    QString before = ids.last();
    paged.append(before);
    while (true) {
        const QStringList page = ServiceHarness::ids(ServiceHarness::array(h.api("GET",
            "users/me/mentions?count=200&since_id=" + newest.toUtf8()
                + "&before_id=" + before.toUtf8())));
        if (page.isEmpty())
            break;
        paged += page;
        before = page.last();
    }
    std::reverse(paged.begin(), paged.end());
    EXPECT_EQ(paged, ids);
    for (const QJsonValue &post : poll) {
        EXPECT_TRUE(post[QStringLiteral("text")].toString().contains(QStringLiteral("@demo")));
        EXPECT_EQ(
            post[QStringLiteral("entities")][QStringLiteral("mentions")][0][QStringLiteral("id")]
                .toString(),
            QStringLiteral("1"));
    }

    // With an author and a text, every one is that.
    const QStringList fromAlice = idsOf(h.send(
        "POST", "/_sandbox/mention", R"({"count": 3, "from": "alice", "text": "@demo hi"})"));
    ASSERT_EQ(fromAlice.size(), 3);
    const QJsonObject last
        = ServiceHarness::object(h.api("GET", "posts/" + fromAlice.last().toUtf8()));
    EXPECT_EQ(last[QStringLiteral("user")][QStringLiteral("username")].toString(),
        QStringLiteral("alice"));
    EXPECT_EQ(last[QStringLiteral("text")].toString(), QStringLiteral("@demo hi"));

    const int posts = h.service.store().postCount();
    for (const char *bad : { R"({"count": 0})", R"({"count": 20001})", R"({"count": "5"})",
             R"({"count": 2.5})", R"({"count": 5, "from": "nobody"})" })
        EXPECT_NE(h.send("POST", "/_sandbox/mention", bad).status, 200) << bad;
    EXPECT_EQ(h.service.store().postCount(), posts);
}

TEST(BulkData, TheDemoUserFollowsACrowdOfValidUsers)
{
    ServiceHarness h;
    const int following = countOf(h, "following");
    const HttpResponse made = h.send("POST", "/_sandbox/following", R"({"count": 5000})");
    ASSERT_EQ(made.status, 200);
    const QStringList ids = idsOf(made);
    const QJsonArray names = ServiceHarness::object(made)[QStringLiteral("usernames")].toArray();
    ASSERT_EQ(ids.size(), 5000);
    ASSERT_EQ(names.size(), 5000);
    EXPECT_EQ(countOf(h, "following"), following + 5000);

    static const QRegularExpression validName(QStringLiteral("^[A-Za-z0-9_]{1,20}$"));
    QSet<QString> unique;
    for (const QJsonValue &name : names) {
        EXPECT_TRUE(validName.match(name.toString()).hasMatch()) << name.toString().toStdString();
        unique.insert(name.toString().toLower());
    }
    EXPECT_EQ(unique.size(), 5000);

    // The list answers its first page, newest first, as full user objects.
    const QJsonArray page = ServiceHarness::array(h.api("GET", "users/me/following"));
    ASSERT_EQ(page.size(), 50);
    EXPECT_EQ(page[0][QStringLiteral("id")].toString(), ids.last());
    EXPECT_EQ(ServiceHarness::array(h.api("GET", "users/me/following?count=200")).size(), 200);
    const QJsonObject user = page[0].toObject();
    EXPECT_EQ(user[QStringLiteral("you_follow")].toInt(), 1);
    EXPECT_FALSE(user[QStringLiteral("name")].toString().isEmpty());
    const QString avatar = user[QStringLiteral("avatar_image")][QStringLiteral("url")].toString();
    ASSERT_TRUE(avatar.startsWith(kBase + QStringLiteral("/avatars/")));
    const HttpResponse picture = h.send("GET", avatar.mid(kBase.size()).toUtf8());
    EXPECT_EQ(picture.status, 200);
    EXPECT_TRUE(picture.body.startsWith("\x89PNG"));
    EXPECT_EQ(ServiceHarness::object(
                  h.api("GET", "users/@" + names.last().toString().toUtf8()))[QStringLiteral("id")]
                  .toString(),
        ids.last());
    EXPECT_EQ(h.api("POST", "users/" + ids.first().toUtf8() + "/follow").status,
        200); // already followed: no change
    EXPECT_EQ(countOf(h, "following"), following + 5000);

    // Another crowd is other people, and the whole state still loads.
    const QStringList more = idsOf(h.send("POST", "/_sandbox/followers", R"({"count": 300})"));
    ASSERT_EQ(more.size(), 300);
    EXPECT_FALSE(ids.contains(more.first()));
    EXPECT_EQ(
        ServiceHarness::array(h.api("GET", "users/me/followers"))[0][QStringLiteral("follows_you")]
            .toInt(),
        1);
    Store reloaded;
    QString error;
    EXPECT_TRUE(reloaded.fromJson(h.service.stateJson(), &error)) << error.toStdString();
    EXPECT_EQ(reloaded.users().size(), h.service.store().users().size());

    EXPECT_EQ(h.send("POST", "/_sandbox/following", R"({})").status, 400);
    EXPECT_EQ(h.send("POST", "/_sandbox/followers", R"({"count": -3})").status, 400);
    EXPECT_EQ(h.send("GET", "/_sandbox/following").status, 405);
}
