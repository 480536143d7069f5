// The composer's rules without a window: counter, length limit, reply and
// quote texts, which pastes go to the shortener.
#include "text/ComposerRules.h"

#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

using namespace ComposerRules;

QVariantMap postBy(const QString &author, const QVariantList &mentions, const QString &text = {})
{
    return {
        { QStringLiteral("id"), QStringLiteral("77") },
        { QStringLiteral("text"), text },
        { QStringLiteral("user"), QVariantMap { { QStringLiteral("username"), author } } },
        { QStringLiteral("entities"), QVariantMap { { QStringLiteral("mentions"), mentions } } },
    };
}

QVariantMap mention(const QString &id, const QString &name)
{
    return { { QStringLiteral("id"), id }, { QStringLiteral("name"), name } };
}

TEST(ComposerCounter, ShowsWhatRemainsInThreeColours)
{
    const QColor green = QColor::fromRgbF(0.228f, 0.431f, 0.0f);
    const QColor orange = QColor::fromRgbF(0.8f, 0.378f, 0.0f);
    const QColor red = QColor::fromRgbF(0.609f, 0.0f, 0.063f);
    const struct {
        qsizetype length;
        qsizetype remaining;
        QColor color;
    } cases[] = {
        { 1, 254, green },
        { 235, 20, green },
        { 236, 19, orange },
        { 245, 10, orange },
        { 246, 9, red },
        { 255, 0, red },
        { 300, -45, red },
    };
    for (const auto &c : cases) {
        const Counter counter = counterFor(c.length);
        EXPECT_TRUE(counter.visible) << c.length;
        EXPECT_EQ(counter.remaining, c.remaining) << c.length;
        EXPECT_EQ(counter.color, c.color) << c.length;
    }
    EXPECT_EQ(counterFor(300).text(), QStringLiteral("-45"));
    EXPECT_FALSE(counterFor(0).visible);
}

TEST(ComposerLengthLimit, RefusesNewTextAtTheLimitAndAlwaysAllowsDeleting)
{
    EXPECT_TRUE(allowsChange(254, QStringLiteral("x")));
    // Below the limit a long replacement is taken whole.
    EXPECT_TRUE(allowsChange(200, QString(100, u'x')));
    EXPECT_FALSE(allowsChange(255, QStringLiteral("x")));
    EXPECT_FALSE(allowsChange(300, QStringLiteral(" ")));
    EXPECT_TRUE(allowsChange(255, QString()));
    EXPECT_TRUE(allowsChange(300, QString()));

    // Lengths are UTF-16 units: 253 letters and an emoji are at the limit.
    const QString text = QString(253, u'a') + QString::fromUtf8("\U0001F600");
    EXPECT_EQ(text.size(), 255);
    EXPECT_FALSE(allowsChange(text.size(), QStringLiteral("b")));
    EXPECT_EQ(counterFor(text.size()).remaining, 0);
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
    EXPECT_TRUE(pasteShouldBeShortened(QStringLiteral("https://example.org/abcdefghij")));
    EXPECT_TRUE(pasteShouldBeShortened(QStringLiteral("see:http://example.org/a")));
    // 20 units are not enough, 21 are.
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("http://example.org/a")));
    EXPECT_TRUE(pasteShouldBeShortened(QStringLiteral("http://example.org/ab")));
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("http://a.io")));
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("read https://example.org/abc now")));
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("example.org/abcdefghijklmnop")));
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("ftp://example.org/abcdefghijklmnop")));
    // Two links on two lines, or a fragment the shortener would never see.
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("http://a.org/xxxxxx\nhttp://b.org/yy")));
    EXPECT_FALSE(pasteShouldBeShortened(QStringLiteral("https://example.org/wiki/A#History")));
}

} // namespace
