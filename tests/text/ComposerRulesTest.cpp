// The composer's rules without a window: counter, length limit, reply and
// quote texts, which pastes go to the shortener, when names are offered.
#include "text/ComposerRules.h"
#include "text/CompletionRules.h"

#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

using namespace ComposerRules;
using CompletionRules::caretAllowsCompletion;
using CompletionRules::completionAt;

QVariantMap postBy(const QString &author, const QVariantList &mentions, const QString &text = {})
{
    return { { QStringLiteral("id"), QStringLiteral("77") }, { QStringLiteral("text"), text },
        { QStringLiteral("user"), QVariantMap { { QStringLiteral("username"), author } } },
        { QStringLiteral("entities"), QVariantMap { { QStringLiteral("mentions"), mentions } } } };
}

QVariantMap mention(const QString &id, const QString &name)
{
    return { { QStringLiteral("id"), id }, { QStringLiteral("name"), name } };
}

TEST(ComposerCounter, ShowsWhatRemainsAndChangesColourAtTwentyAndAtTen)
{
    const std::pair<qsizetype, qsizetype> cases[] = { { 1, 254 }, { 235, 20 }, { 236, 19 },
        { 245, 10 }, { 246, 9 }, { 255, 0 }, { 300, -45 } };
    for (const auto &[length, remaining] : cases) {
        const Counter counter = counterFor(length);
        EXPECT_TRUE(counter.visible) << length;
        EXPECT_EQ(counter.remaining, remaining) << length;
        // The colour changes where the count crosses 20 and 10, and only there.
        EXPECT_EQ(counter.color == counterFor(1).color, remaining >= 20) << length;
        EXPECT_EQ(counter.color == counterFor(300).color, remaining < 10) << length;
    }
    EXPECT_EQ(counterFor(300).text(), QStringLiteral("-45"));
    EXPECT_FALSE(counterFor(0).visible);
}

// Typing and pasting at the limit are walked in the composer's own tests.
TEST(ComposerLengthLimit, DeletingIsAllowedEvenPastTheLimit)
{
    for (const qsizetype length : { 255, 300 })
        EXPECT_TRUE(allowsChange(length, QString())) << length;
}

TEST(ComposerReplyText, NamesTheAuthorFirstThenTheOthersButMe)
{
    const QVariantList mentions { mention(QStringLiteral("1"), QStringLiteral("demo")),
        mention(QStringLiteral("5"), QStringLiteral("carl")),
        mention(QStringLiteral("5"), QStringLiteral("carl")),
        mention(QStringLiteral("3"), QStringLiteral("alice")) };
    EXPECT_EQ(replyText(postBy(QStringLiteral("alice"), mentions), QStringLiteral("1")),
        QStringLiteral("@alice @carl @carl @alice "));
    // Replying to oneself starts with one's own name.
    EXPECT_EQ(replyText(postBy(QStringLiteral("demo"), {}), QStringLiteral("1")),
        QStringLiteral("@demo "));
    // Numeric ids from the service compare as their text; a mention without
    // a name adds nothing.
    const QVariantList odd { QVariantMap { { QStringLiteral("id"), 1 },
                                 { QStringLiteral("name"), QStringLiteral("demo") } },
        QVariantMap { { QStringLiteral("id"), QStringLiteral("9") } } };
    EXPECT_EQ(replyText(postBy(QStringLiteral("bob"), odd), QStringLiteral("1")),
        QStringLiteral("@bob "));
}

TEST(ComposerQuoteText, IsTheGuillemetTheAuthorTwoSpacesTheTextAndASpace)
{
    EXPECT_EQ(quoteText(postBy(QStringLiteral("alice"), {}, QStringLiteral("Hello #world"))),
        QString::fromUtf8("» @alice  Hello #world "));
}

TEST(ComposerPaste, ShortensOnlyALongLinkInOnePiece)
{
    // 20 units are not enough, 21 are; two links on two lines, or a fragment
    // the shortener would never see, are not shortened.
    const std::pair<const char *, bool> cases[] = { { "https://example.org/abcdefghij", true },
        { "see:http://example.org/a", true }, { "http://example.org/a", false },
        { "http://example.org/ab", true }, { "http://a.io", false },
        { "read https://example.org/abc now", false }, { "example.org/abcdefghijklmnop", false },
        { "ftp://example.org/abcdefghijklmnop", false },
        { "http://a.org/xxxxxx\nhttp://b.org/yy", false },
        { "https://example.org/wiki/A#History", false } };
    for (const auto &[paste, shortened] : cases)
        EXPECT_EQ(pasteShouldBeShortened(QString::fromUtf8(paste)), shortened) << paste;
}

TEST(CompletionCaret, OpensAtTheEndOrBeforeASymbolSpaceOrPunctuationWithoutASelection)
{
    const struct {
        const char *text;
        int caret, selection;
        bool opens;
    } cases[] = { { "@bo x.y+z", 9, 0, true }, { "@bo x.y+z", 3, 0, true },
        { "@bo x.y+z", 5, 0, true }, { "@bo x.y+z", 7, 0, true }, { "@bo x.y+z", 2, 0, false },
        { "@b1", 2, 0, false }, { "@b\nx", 2, 0, true }, { "@b$", 2, 0, true },
        // An emoji is a symbol, judged whole rather than as its halves.
        { "@b\U0001F600", 2, 0, true }, { "@b\u00bb", 2, 0, true }, { "@bob", 4, 2, false },
        { "@bob", 1, 3, false }, { "", 0, 0, false }, { "@bob", 5, 0, false },
        { "@bob", -1, 0, false } };
    for (const auto &c : cases)
        EXPECT_EQ(caretAllowsCompletion(QString::fromUtf8(c.text), c.caret, c.selection), c.opens)
            << c.text << " at " << c.caret;
}

TEST(CompletionCandidates, ContainWhatWasTypedBeforeTheCaretInListOrder)
{
    const QStringList words { QStringLiteral("adam"), QStringLiteral("Bob"),
        QStringLiteral("bobby"), QStringLiteral("jimbo"), QStringLiteral("velto") };
    const struct {
        const char *text;
        int caret;
        QStringList names;
        int start = -1, length = -1; // where the name goes, when it matters
    } cases[]
        = { { "hello @BO", 9,
                { QStringLiteral("Bob"), QStringLiteral("bobby"), QStringLiteral("jimbo") }, 7, 2 },
              { "@", 1, words }, { "#bob", 4, {} }, { "bob", 3, {} }, { "@bob ", 5, {} },
              { "@zed", 4, {} },
              // The mention being typed in the middle, or at the start of a line.
              { "@ad and more", 3, { QStringLiteral("adam") }, 1, 2 },
              { "hi\n@v", 5, { QStringLiteral("velto") }, 4, 1 } };
    for (const auto &c : cases) {
        const auto completion = completionAt(words, QString::fromUtf8(c.text), c.caret);
        EXPECT_EQ(completion.names, c.names) << c.text;
        if (c.start >= 0) {
            EXPECT_EQ(completion.start, c.start) << c.text;
            EXPECT_EQ(completion.length, c.length) << c.text;
        }
    }
    EXPECT_TRUE(completionAt({}, QStringLiteral("@b"), 2).names.isEmpty());
}

} // namespace
