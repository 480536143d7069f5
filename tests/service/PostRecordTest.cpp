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
    EXPECT_EQ(full.id(), u"12"_qs);
    EXPECT_EQ(full.username(), u"alice"_qs);
    EXPECT_EQ(full.avatarUrl(), u"http://a.example/a.png"_qs);
    EXPECT_TRUE(full.hasReplyTo()); // present, though null
    EXPECT_TRUE(full.youStarred());
    EXPECT_EQ(full.mentionIds(), (QStringList { u"8"_qs, u"9"_qs }));
    EXPECT_EQ(full.mentionIdForName(u"carol"_qs), u"9"_qs);
    EXPECT_FALSE(full.mentionIdForName(u"dave"_qs).has_value());
    EXPECT_TRUE(full.post.contains(u"annotations"_qs)); // unknown fields are kept

    // Numbers where strings are expected, null user, missing text.
    const PostRecord odd
        = recordFromJson(R"({"id":12,"user":null,"you_starred":0,"entities":{"mentions":"x"}})");
    EXPECT_EQ(odd.id(), u"12"_qs);
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
    const auto facts = SelectedPostFacts::from(own, u"5"_qs);
    EXPECT_EQ(facts.replyOrQuoteID, u"1"_qs);
    EXPECT_EQ(facts.sourceName, u"Via Velto"_qs);
    EXPECT_FALSE(facts.hasReplies);
    EXPECT_FALSE(facts.isPostStarred);
    EXPECT_TRUE(facts.isMe);
    EXPECT_EQ(facts.starItemTitle, u"Star Post"_qs);

    // Mentioned twice: still one answer each way.
    EXPECT_FALSE(PostTransformers::isMentiontoBOOL(&own, u"5"_qs));
    EXPECT_TRUE(PostTransformers::isNOTMentiontoBOOL(&own, u"5"_qs));
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(&own, u"5"_qs));
    EXPECT_TRUE(PostTransformers::isMEtoBOOL(&own, u"6"_qs));
    // Nothing selected.
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(nullptr, u"5"_qs));
    EXPECT_TRUE(PostTransformers::isMentiontoBOOL(nullptr, u"5"_qs));
    EXPECT_FALSE(PostTransformers::isNOTMentiontoBOOL(nullptr, u"5"_qs));

    // Without a known user no post is one's own, even one without an author.
    const PostRecord anonymous = recordFromJson(R"({"id":"2"})");
    EXPECT_FALSE(SelectedPostFacts::from(anonymous, QString()).isMe);
    const PostRecord starred = recordFromJson(R"({"id":"3","you_starred":true})");
    EXPECT_EQ(SelectedPostFacts::from(starred, QString()).starItemTitle, u"Unstar Post"_qs);
}

PostRecord post(const QString &id, const QString &createdAt)
{
    PostRecord r;
    r.post.insert(u"id"_qs, id);
    r.post.insert(u"created_at"_qs, createdAt);
    return r;
}

TEST(PostsArrayController, ArrangesNewestFirstAndMovesTheSelection)
{
    PostsArrayController posts;
    QAbstractItemModelTester modelTester(
        posts.arranged(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    posts.setContent({ post(u"1"_qs, u"2012-08-20T17:03:00Z"_qs),
        post(u"3"_qs, u"2013-01-01T00:00:00Z"_qs), post(u"2"_qs, u"2012-12-31T23:59:59Z"_qs) });
    ASSERT_EQ(posts.count(), 3);
    EXPECT_EQ(posts.arrangedObject(0)->id(), u"3"_qs);
    EXPECT_EQ(posts.arrangedObject(1)->id(), u"2"_qs);
    EXPECT_EQ(posts.arrangedObject(2)->id(), u"1"_qs);
    EXPECT_EQ(posts.arrangedObject(3), nullptr);

    EXPECT_FALSE(posts.selectionIndex().has_value());
    EXPECT_FALSE(posts.selectNext());
    posts.setSelectionIndex(1);
    EXPECT_EQ(posts.selectedObject()->id(), u"2"_qs);
    EXPECT_TRUE(posts.selectNext());
    EXPECT_FALSE(posts.selectNext()); // stays on the last
    EXPECT_EQ(posts.selectionIndex(), 2);
    EXPECT_EQ(posts.rowOfId(u"3"_qs), 0);
    EXPECT_FALSE(posts.rowOfId(u"9"_qs).has_value());

    // The same posts again (a refresh with nothing new): no row is laid out
    // anew, the selection stays, and a post that changed shows its change.
    QSignalSpy resets(posts.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(posts.model(), &QAbstractItemModel::dataChanged);
    QList<PostRecord> again = posts.model()->records();
    again[1].post.insert(u"num_stars"_qs, 5);
    posts.refreshContent(again);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().at(0).value<QModelIndex>().row(), 1);
    EXPECT_EQ(posts.model()->recordAt(1)->post.value(u"num_stars"_qs).toInt(), 5);
    EXPECT_EQ(posts.selectionIndex(), 2);
    // Another set of posts is a new list.
    posts.refreshContent({ post(u"4"_qs, u"2014-01-01T00:00:00Z"_qs) });
    EXPECT_EQ(resets.count(), 1);

    posts.removeAllObjects();
    EXPECT_EQ(posts.count(), 0);
    EXPECT_EQ(posts.selectedObject(), nullptr);
}

} // namespace
