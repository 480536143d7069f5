#include "service/PostRecord.h"

#include <QJsonDocument>

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
    EXPECT_TRUE(PostTransformers::isNOTMentiontoBOOL(&own, u"5"_qs));
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(&own, u"5"_qs));
    EXPECT_TRUE(PostTransformers::isMEtoBOOL(&own, u"6"_qs));
    // Nothing selected.
    EXPECT_FALSE(PostTransformers::isMEtoBOOL(nullptr, u"5"_qs));
    EXPECT_FALSE(PostTransformers::isNOTMentiontoBOOL(nullptr, u"5"_qs));

    // Without a known user no post is one's own, even one without an author.
    const PostRecord anonymous = recordFromJson(R"({"id":"2"})");
    EXPECT_FALSE(SelectedPostFacts::from(anonymous, QString()).isMe);
    const PostRecord starred = recordFromJson(R"({"id":"3","you_starred":true})");
    EXPECT_EQ(SelectedPostFacts::from(starred, QString()).starItemTitle, u"Unstar Post"_qs);
}

} // namespace
