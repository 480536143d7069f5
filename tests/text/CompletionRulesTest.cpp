// When the composer offers user names, and which.
#include "text/CompletionRules.h"

#include <gtest/gtest.h>

namespace {

using CompletionRules::caretAllowsCompletion;
using CompletionRules::completionAt;

TEST(CompletionCaret, OpensAtTheEndOrBeforeASymbolSpaceOrPunctuation)
{
    const QString text = QStringLiteral("@bo x.y+z");
    EXPECT_TRUE(caretAllowsCompletion(text, int(text.size()), 0));
    EXPECT_TRUE(caretAllowsCompletion(text, 3, 0)); // before the space
    EXPECT_TRUE(caretAllowsCompletion(text, 5, 0)); // before "."
    EXPECT_TRUE(caretAllowsCompletion(text, 7, 0)); // before "+"
    EXPECT_FALSE(caretAllowsCompletion(text, 2, 0)); // inside a word
    EXPECT_FALSE(caretAllowsCompletion(QStringLiteral("@b1"), 2, 0)); // before a digit
    EXPECT_TRUE(caretAllowsCompletion(QStringLiteral("@b\nx"), 2, 0));
    EXPECT_TRUE(caretAllowsCompletion(QStringLiteral("@b$"), 2, 0));
    // An emoji is a symbol, judged whole rather than as its halves.
    EXPECT_TRUE(caretAllowsCompletion(QString::fromUtf8("@b\U0001F600"), 2, 0));
    EXPECT_TRUE(caretAllowsCompletion(QString::fromUtf8("@b\u00bb"), 2, 0));
}

TEST(CompletionCaret, NeverWithASelectionAnEmptyTextOrAStrayPosition)
{
    EXPECT_FALSE(caretAllowsCompletion(QStringLiteral("@bob"), 4, 2));
    EXPECT_FALSE(caretAllowsCompletion(QStringLiteral("@bob"), 1, 3));
    EXPECT_FALSE(caretAllowsCompletion(QString(), 0, 0));
    EXPECT_FALSE(caretAllowsCompletion(QStringLiteral("@bob"), 5, 0));
    EXPECT_FALSE(caretAllowsCompletion(QStringLiteral("@bob"), -1, 0));
}

TEST(CompletionCandidates, ContainWhatWasTypedInListOrder)
{
    const QStringList words { QStringLiteral("adam"), QStringLiteral("Bob"),
        QStringLiteral("bobby"), QStringLiteral("jimbo"), QStringLiteral("velto") };
    const QString text = QStringLiteral("hello @BO");
    const auto completion = completionAt(words, text, int(text.size()));
    EXPECT_EQ(completion.names,
        (QStringList { QStringLiteral("Bob"), QStringLiteral("bobby"), QStringLiteral("jimbo") }));
    // The name replaces what follows the "@".
    EXPECT_EQ(completion.start, 7);
    EXPECT_EQ(completion.length, 2);

    EXPECT_EQ(completionAt(words, QStringLiteral("@"), 1).names, words);
    EXPECT_TRUE(completionAt(words, QStringLiteral("#bob"), 4).names.isEmpty());
    EXPECT_TRUE(completionAt(words, QStringLiteral("bob"), 3).names.isEmpty());
    EXPECT_TRUE(completionAt(words, QStringLiteral("@bob "), 5).names.isEmpty());
    EXPECT_TRUE(completionAt(words, QStringLiteral("@zed"), 4).names.isEmpty());
    EXPECT_TRUE(completionAt({}, QStringLiteral("@b"), 2).names.isEmpty());
}

TEST(CompletionCandidates, FollowTheWordBeforeTheCaret)
{
    const QStringList words { QStringLiteral("alice"), QStringLiteral("bob") };
    // The mention being typed in the middle, not the last word of the text.
    const auto middle = completionAt(words, QStringLiteral("@al and more"), 3);
    EXPECT_EQ(middle.names, QStringList { QStringLiteral("alice") });
    EXPECT_EQ(middle.start, 1);
    // A mention at the start of a new line.
    const auto line = completionAt(words, QStringLiteral("hi\n@b"), 5);
    EXPECT_EQ(line.names, QStringList { QStringLiteral("bob") });
    EXPECT_EQ(line.start, 4);
}

} // namespace
