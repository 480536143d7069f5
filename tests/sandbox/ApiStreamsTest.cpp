// The stream API's read side as the program's tests rely on it, driven
// in-process: each stream's rule, paging, and conversations.
#include "ServiceHarness.h"

#include "data/Seed.h"

#include <gtest/gtest.h>

#include <functional>

using namespace sandbox;
using namespace sandboxtest;

TEST(ApiStreams, EachStreamFollowsItsRuleNewestFirst)
{
    ServiceHarness h;
    const Store &store = h.service.store();
    const auto mentionsDemo = [](const QJsonValue &p) {
        for (const QJsonValue &m : at(p, "entities.mentions").toArray())
            if (str(m, "id") == u"1"_qs)
                return true;
        return false;
    };
    const struct {
        const char *path;
        qsizetype atLeast;
        std::function<bool(const QJsonValue &)> rule;
    } streams[] = {
        { "posts/stream?count=200", 200,
            [&](const QJsonValue &p) {
                const Id author = str(p, "user.id").toLongLong();
                return author == kDemoUserId || store.follows(kDemoUserId, author);
            } },
        { "users/me/posts?count=200", 1,
            [](const QJsonValue &p) { return str(p, "user.id") == u"1"_qs; } },
        { "users/me/mentions?count=200", 30, mentionsDemo },
        { "users/me/stars?count=200", 20,
            [](const QJsonValue &p) { return at(p, "you_starred").toBool(); } },
        { "posts/tag/COFFEE?count=200", 3,
            [](const QJsonValue &p) {
                return str(p, "text").contains(u"#coffee"_qs, Qt::CaseInsensitive);
            } },
    };
    for (const auto &s : streams) {
        SCOPED_TRACE(s.path);
        const QJsonArray posts = h.list(s.path);
        EXPECT_GE(posts.size(), s.atLeast);
        qint64 previous = std::numeric_limits<qint64>::max();
        for (const QJsonValue &p : posts) {
            EXPECT_TRUE(s.rule(p)) << str(p, "text").toStdString();
            EXPECT_LT(str(p, "id").toLongLong(), previous);
            previous = str(p, "id").toLongLong();
        }
    }
    EXPECT_EQ(h.list("posts/stream").size(), 20); // the default page
    EXPECT_EQ(h.list("posts/stream?count=5000").size(), 200); // at most 200
}

TEST(ApiStreams, PagingWithBeforeAndSinceIdJoinsSeamlessly)
{
    ServiceHarness h;
    const auto ids = [&](const QByteArray &path) { return ServiceHarness::ids(h.list(path)); };
    const QStringList all = ids("posts/stream/global?count=60");
    ASSERT_EQ(all.size(), 60);
    QStringList paged = ids("posts/stream/global?count=20");
    for (int i = 0; i < 2; ++i)
        paged += ids("posts/stream/global?count=20&before_id=" + paged.last().toUtf8());
    EXPECT_EQ(paged, all);
    // since_id answers what came after; with both, the window between.
    EXPECT_EQ(ids("posts/stream/global?count=200&since_id=" + all[10].toUtf8()), all.mid(0, 10));
    EXPECT_EQ(
        ids("posts/stream/global?since_id=" + all[30].toUtf8() + "&before_id=" + all[20].toUtf8()),
        all.mid(21, 9));
}

TEST(ApiStreams, ConversationHoldsTheWholeThreadFromAnyOfItsPosts)
{
    ServiceHarness h;
    const Store &store = h.service.store();
    const Post *deepest = nullptr;
    int best = 0;
    for (const Post *p : store.page([](const Post &) { return true; }, Paging { 10000, {}, {} })) {
        int depth = 0;
        for (const Post *q = p; q->replyTo; q = store.post(q->replyTo))
            ++depth;
        if (depth > best)
            std::tie(best, deepest) = std::pair(depth, p);
    }
    ASSERT_GE(best, 5);
    const QJsonArray fromLeaf = h.list("posts/" + QByteArray::number(deepest->id) + "/replies");
    EXPECT_EQ(fromLeaf, h.list("posts/" + QByteArray::number(deepest->threadId) + "/replies"));
    EXPECT_GE(fromLeaf.size(), best + 1);
    // The first post carries reply_to null, every other one its parent; a
    // post nobody answered carries none.
    const QJsonObject root = fromLeaf.last().toObject();
    EXPECT_EQ(str(root, "id"), QString::number(deepest->threadId));
    ASSERT_TRUE(root.contains(u"reply_to"_qs));
    EXPECT_TRUE(root.value(u"reply_to"_qs).isNull());
    EXPECT_TRUE(at(fromLeaf.first(), "reply_to").isString());
    int alone = 0;
    for (const QJsonValue &p : h.list("posts/stream/global?count=200"))
        alone += p.toObject().contains(u"reply_to"_qs) ? 0 : 1;
    EXPECT_GT(alone, 50);
}
