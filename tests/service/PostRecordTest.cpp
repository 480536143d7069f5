#include "service/PostRecord.h"
#include "service/PostsArrayController.h"

#include <QAbstractItemModelTester>
#include <QJsonDocument>

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

PostRecord recordFromJson(const char *json)
{
    return PostRecord::fromJson(QJsonDocument::fromJson(json).object());
}

TEST(PostRecord, ReadsTheFieldsTheProgramUsesWhateverTheirShape)
{
    const PostRecord full
        = recordFromJson(R"({"id":"12","created_at":"2012-08-20T17:03:00Z","text":"hi",
        "reply_to":null,"you_starred":true,"source":{"name":"Web","link":"http://x.example"},
        "user":{"id":"7","username":"alice","name":"Alice","avatar_image":{"url":"http://a.example/a.png"}},
        "entities":{"mentions":[{"name":"bob","id":"8"},{"name":"carol","id":"9"}]},
        "html":"<span>hi</span>","annotations":[],"num_stars":3,"repost_of":null,"is_deleted":false})");
    EXPECT_EQ(full.id(), QStringLiteral("12"));
    EXPECT_EQ(full.username(), QStringLiteral("alice"));
    EXPECT_EQ(full.avatarUrl(), QStringLiteral("http://a.example/a.png"));
    EXPECT_TRUE(full.hasReplyTo()); // present, though null
    EXPECT_TRUE(full.youStarred());
    EXPECT_EQ(full.mentionIds(), (QStringList { QStringLiteral("8"), QStringLiteral("9") }));
    EXPECT_EQ(full.mentionIdForName(QStringLiteral("carol")), QStringLiteral("9"));
    EXPECT_FALSE(full.mentionIdForName(QStringLiteral("dave")).has_value());
    EXPECT_TRUE(full.post.contains(QStringLiteral("annotations"))); // unknown fields are kept

    // Numbers where strings are expected, null user, missing text.
    const PostRecord odd
        = recordFromJson(R"({"id":12,"user":null,"you_starred":0,"entities":{"mentions":"x"}})");
    EXPECT_EQ(odd.id(), QStringLiteral("12"));
    EXPECT_EQ(odd.text(), QString());
    EXPECT_EQ(odd.username(), QString());
    EXPECT_FALSE(odd.hasReplyTo());
    EXPECT_FALSE(odd.youStarred());
    EXPECT_TRUE(odd.mentionIds().isEmpty());
}

TEST(PostRecord, FactsAndTransformersOfTheSelectedPost)
{
    const PostRecord own = recordFromJson(R"({"id":"1","user":{"id":"5"},"source":{"name":"Velto"},
        "you_starred":false,"entities":{"mentions":[{"name":"me","id":"5"},{"name":"me","id":"5"}]}})");
    const auto facts = SelectedPostFacts::from(own, QStringLiteral("5"));
    EXPECT_EQ(facts.replyOrQuoteID, QStringLiteral("1"));
    EXPECT_EQ(facts.sourceName, QStringLiteral("Via Velto"));
    EXPECT_FALSE(facts.hasReplies);
    EXPECT_FALSE(facts.isPostStarred);
    EXPECT_TRUE(facts.isMe);
    EXPECT_EQ(facts.starItemTitle, QStringLiteral("Star Post"));

    // Mentioned twice: still one answer each way.
    EXPECT_FALSE(PostTransformers::isMentiontoBOOL(&own, QStringLiteral("5")));
    EXPECT_TRUE(PostTransformers::isNOTMentiontoBOOL(&own, QStringLiteral("5")));
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(&own, QStringLiteral("5")));
    EXPECT_TRUE(PostTransformers::isMEtoBOOL(&own, QStringLiteral("6")));
    // Nothing selected.
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(nullptr, QStringLiteral("5")));
    EXPECT_TRUE(PostTransformers::isMentiontoBOOL(nullptr, QStringLiteral("5")));
    EXPECT_FALSE(PostTransformers::isNOTMentiontoBOOL(nullptr, QStringLiteral("5")));

    // Without a known user no post is one's own, even one without an author.
    const PostRecord anonymous = recordFromJson(R"({"id":"2"})");
    EXPECT_FALSE(SelectedPostFacts::from(anonymous, QString()).isMe);
    const PostRecord starred = recordFromJson(R"({"id":"3","you_starred":true})");
    EXPECT_EQ(
        SelectedPostFacts::from(starred, QString()).starItemTitle, QStringLiteral("Unstar Post"));
}

PostRecord post(const QString &id, const QString &createdAt)
{
    PostRecord r;
    r.post.insert(QStringLiteral("id"), id);
    r.post.insert(QStringLiteral("created_at"), createdAt);
    return r;
}

TEST(PostsArrayController, ArrangesNewestFirstAndMovesTheSelection)
{
    PostsArrayController posts;
    QAbstractItemModelTester modelTester(
        posts.arranged(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    posts.setContent({ post(QStringLiteral("1"), QStringLiteral("2012-08-20T17:03:00Z")),
        post(QStringLiteral("3"), QStringLiteral("2013-01-01T00:00:00Z")),
        post(QStringLiteral("2"), QStringLiteral("2012-12-31T23:59:59Z")) });
    ASSERT_EQ(posts.count(), 3);
    EXPECT_EQ(posts.arrangedObject(0)->id(), QStringLiteral("3"));
    EXPECT_EQ(posts.arrangedObject(1)->id(), QStringLiteral("2"));
    EXPECT_EQ(posts.arrangedObject(2)->id(), QStringLiteral("1"));
    EXPECT_EQ(posts.arrangedObject(3), nullptr);

    EXPECT_FALSE(posts.selectionIndex().has_value());
    EXPECT_FALSE(posts.selectNext());
    posts.setSelectionIndex(1);
    EXPECT_EQ(posts.selectedObject()->id(), QStringLiteral("2"));
    EXPECT_TRUE(posts.selectNext());
    EXPECT_FALSE(posts.selectNext()); // stays on the last
    EXPECT_EQ(posts.selectionIndex(), 2);
    EXPECT_EQ(posts.rowOfId(QStringLiteral("3")), 0);
    EXPECT_FALSE(posts.rowOfId(QStringLiteral("9")).has_value());

    // The same posts again (a refresh with nothing new): no row is laid out
    // anew, the selection stays, and a post that changed shows its change.
    QSignalSpy resets(posts.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(posts.model(), &QAbstractItemModel::dataChanged);
    QList<PostRecord> again = posts.model()->records();
    again[1].post.insert(QStringLiteral("num_stars"), 5);
    posts.refreshContent(again);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().at(0).value<QModelIndex>().row(), 1);
    EXPECT_EQ(posts.model()->recordAt(1)->post.value(QStringLiteral("num_stars")).toInt(), 5);
    EXPECT_EQ(posts.selectionIndex(), 2);
    // Another set of posts is a new list.
    posts.refreshContent({ post(QStringLiteral("4"), QStringLiteral("2014-01-01T00:00:00Z")) });
    EXPECT_EQ(resets.count(), 1);

    posts.removeAllObjects();
    EXPECT_EQ(posts.count(), 0);
    EXPECT_EQ(posts.selectedObject(), nullptr);
}

} // namespace
