#include "data/Entities.h"

#include <gtest/gtest.h>

using namespace sandbox;

namespace {

std::optional<std::pair<Id, QString>> knownUsers(const QString &name)
{
    if (name.compare(QStringLiteral("alice"), Qt::CaseInsensitive) == 0)
        return std::make_pair(Id(3), QStringLiteral("alice"));
    if (name == QStringLiteral("demo"))
        return std::make_pair(Id(1), QStringLiteral("demo"));
    return std::nullopt;
}

} // namespace

TEST(Entities, PositionsAreUtf16UnitsAfterEmoji)
{
    const QString text = QStringLiteral("😀😀 @Alice #rain www.example.com");
    const TextEntities e = extractEntities(text, knownUsers);
    ASSERT_EQ(e.mentions.size(), 1);
    EXPECT_EQ(e.mentions[0].pos, 5); // two surrogate pairs and a space
    EXPECT_EQ(e.mentions[0].len, 6);
    EXPECT_EQ(e.mentions[0].name, QStringLiteral("alice")); // the registered spelling
    EXPECT_EQ(e.mentions[0].userId, 3);
    ASSERT_EQ(e.hashtags.size(), 1);
    EXPECT_EQ(text.mid(e.hashtags[0].pos, e.hashtags[0].len), QStringLiteral("#rain"));
    EXPECT_EQ(e.hashtags[0].name, QStringLiteral("rain"));
    ASSERT_EQ(e.links.size(), 1);
    EXPECT_EQ(text.mid(e.links[0].pos, e.links[0].len), QStringLiteral("www.example.com"));
}

TEST(Entities, LinksWithAndWithoutScheme)
{
    const QString text = QStringLiteral(
        "See https://example.org/a?b=1, example.net/x (and www.example.com/y). Not me@example.com");
    const QList<LinkEntity> links = findLinks(text);
    ASSERT_EQ(links.size(), 3);
    EXPECT_EQ(
        links[0].text, QStringLiteral("https://example.org/a?b=1")); // the comma is the sentence's
    EXPECT_EQ(links[0].url, links[0].text);
    EXPECT_EQ(links[1].text, QStringLiteral("example.net/x"));
    EXPECT_EQ(links[1].url, QStringLiteral("http://example.net/x"));
    EXPECT_EQ(
        links[2].text, QStringLiteral("www.example.com/y")); // the unbalanced ")" and "." are not
}

TEST(Entities, BalancedParenthesesStayInLinks)
{
    const QList<LinkEntity> links
        = findLinks(QStringLiteral("https://en.example.org/wiki/Qt_(software)!"));
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links[0].text, QStringLiteral("https://en.example.org/wiki/Qt_(software)"));
}

TEST(Entities, NoLinkForUnknownEndingsOrBareSchemes)
{
    EXPECT_TRUE(
        findLinks(QStringLiteral("example.community and file.txt and http:// alone")).isEmpty());
}

TEST(Entities, NothingInsideLinksAndNoMentionsOfStrangers)
{
    const QString text = QStringLiteral("https://example.org/#top https://example.org/@alice "
                                        "@nobody mail@alice.example.com abc#def");
    const TextEntities e = extractEntities(text, knownUsers);
    EXPECT_TRUE(e.hashtags.isEmpty()); // "#top" is the link's, "#def" follows a letter
    EXPECT_TRUE(e.mentions.isEmpty()); // inside a link, unknown, or an e-mail address
}

TEST(Entities, HashtagPatternStopsAtNonAscii)
{
    const TextEntities e
        = extractEntities(QStringLiteral("Le café #café #my-tag #100DaysOfCode"), knownUsers);
    ASSERT_EQ(e.hashtags.size(), 3);
    EXPECT_EQ(e.hashtags[0].name, QStringLiteral("caf"));
    EXPECT_EQ(e.hashtags[1].name, QStringLiteral("my-tag"));
    EXPECT_EQ(e.hashtags[2].name, QStringLiteral("100DaysOfCode"));
}

TEST(Entities, RepeatedMentionsAreEachListed)
{
    const TextEntities e = extractEntities(QStringLiteral("@demo @alice @demo"), knownUsers);
    ASSERT_EQ(e.mentions.size(), 3);
    EXPECT_EQ(e.mentions[2].pos, 13);
    EXPECT_EQ(e.mentions[2].userId, 1);
}
