#include "text/LinkDetector.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Found = std::vector<std::pair<QString, QString>>; // visible text, URL value

Found detect(const QString &text)
{
    Found found;
    for (const LinkMatch &m : LinkDetector::detect(text))
        found.emplace_back(text.mid(m.start, m.length), m.url);
    return found;
}

Found one(const char *visible, const char *url)
{
    return { { QString::fromUtf8(visible), QString::fromUtf8(url) } };
}

TEST(LinkDetector, SchemeLinksKeepTheirTextAndLoseTrailingPunctuation)
{
    EXPECT_EQ(detect(QStringLiteral("see http://example.com/a?b=c#top.")),
        one("http://example.com/a?b=c#top", "http://example.com/a?b=c#top"));
    EXPECT_EQ(detect(QStringLiteral("HTTPS://Example.com, ok")),
        one("HTTPS://Example.com", "HTTPS://Example.com"));
    EXPECT_EQ(detect(QStringLiteral("ftp://files.example.com/x.zip")),
        one("ftp://files.example.com/x.zip", "ftp://files.example.com/x.zip"));
    EXPECT_EQ(detect(QStringLiteral("at http://127.0.0.1:8080/x!")),
        one("http://127.0.0.1:8080/x", "http://127.0.0.1:8080/x"));
    EXPECT_EQ(detect(QString::fromUtf8("\u201chttp://example.com/x\u201d")),
        one("http://example.com/x", "http://example.com/x"));
    EXPECT_EQ(detect(QString::fromUtf8("https://de.wikipedia.org/wiki/Café ok")),
        one("https://de.wikipedia.org/wiki/Café", "https://de.wikipedia.org/wiki/Café"));
    // Emoji end a link.
    EXPECT_EQ(detect(QString::fromUtf8("http://example.com/\U0001F600")),
        one("http://example.com/", "http://example.com/"));
    EXPECT_TRUE(detect(QStringLiteral("http:// example")).empty());
    EXPECT_TRUE(detect(QStringLiteral("http://...")).empty());
    EXPECT_TRUE(detect(QStringLiteral("xhttp://example.org")).empty());
    EXPECT_TRUE(detect(QStringLiteral("javascript:alert(1) file:///etc/passwd")).empty());
}

TEST(LinkDetector, BracketsCloseOnlyWhatTheLinkOpened)
{
    EXPECT_EQ(detect(QStringLiteral("(see example.com/a)")),
        one("example.com/a", "http://example.com/a"));
    EXPECT_EQ(detect(QStringLiteral("en.wikipedia.org/wiki/A_(b) is")),
        one("en.wikipedia.org/wiki/A_(b)", "http://en.wikipedia.org/wiki/A_(b)"));
    EXPECT_EQ(detect(QStringLiteral("[http://x.org/a]")), one("http://x.org/a", "http://x.org/a"));
}

TEST(LinkDetector, AddressesWithoutSchemeGetOne)
{
    EXPECT_EQ(detect(QStringLiteral("www.example.net")),
        one("www.example.net", "http://www.example.net"));
    EXPECT_EQ(detect(QStringLiteral("WWW.Example.io/path?q=1")),
        one("WWW.Example.io/path?q=1", "http://WWW.Example.io/path?q=1"));
    EXPECT_EQ(
        detect(QStringLiteral("Visit example.com.")), one("example.com", "http://example.com"));
    EXPECT_EQ(
        detect(QStringLiteral("bbc.co.uk/news")), one("bbc.co.uk/news", "http://bbc.co.uk/news"));
    EXPECT_EQ(detect(QStringLiteral("example.com:8080/p")),
        one("example.com:8080/p", "http://example.com:8080/p"));
    EXPECT_EQ(detect(QStringLiteral("example.com:abc")), one("example.com", "http://example.com"));
    EXPECT_EQ(
        detect(QStringLiteral("Is it example.com?")), one("example.com", "http://example.com"));
    EXPECT_EQ(
        detect(QStringLiteral("EXAMPLE.COM/A")), one("EXAMPLE.COM/A", "http://EXAMPLE.COM/A"));
    EXPECT_EQ(detect(QStringLiteral("a.com b.org")),
        (Found { { QStringLiteral("a.com"), QStringLiteral("http://a.com") },
            { QStringLiteral("b.org"), QStringLiteral("http://b.org") } }));
}

TEST(LinkDetector, TopLevelDomainsAreKnownWhateverTheirCase)
{
    const std::pair<const char16_t *, bool> cases[] = { { u"com", true }, { u"CoM", true },
        { u"UK", true }, { u"\u212Ae", true }, { u"py", false }, { u"c\u00F6m", false },
        { u"c", false }, { u"cloudcloudx", false } };
    for (const auto &[label, known] : cases)
        EXPECT_EQ(LinkDetector::isKnownTopLevelDomain(QStringView(label)), known)
            << QString::fromUtf16(label).toStdString();
}

TEST(LinkDetector, EmailAddressesBecomeMailto)
{
    EXPECT_EQ(detect(QStringLiteral("mail bob.smith@example.co.uk!")),
        one("bob.smith@example.co.uk", "mailto:bob.smith@example.co.uk"));
    EXPECT_EQ(detect(QStringLiteral("mailto:amy@example.org")),
        one("mailto:amy@example.org", "mailto:amy@example.org"));
    EXPECT_TRUE(detect(QStringLiteral("foo@bar")).empty());
    EXPECT_TRUE(detect(QStringLiteral("example.com@x")).empty());
}

TEST(LinkDetector, LeavesOrdinaryWordsAlone)
{
    for (const char *text : { "e.g. i.e. 3.14 v1.2.3", "setup.py and run.sh, main.rs", "@bob.com",
             "#tag.de", "node.js", "end.Then", "a-.com", "", "...", "www.", "www.localhost" }) {
        EXPECT_TRUE(detect(QString::fromUtf8(text)).empty()) << text;
    }
}

TEST(LinkDetector, StaysLinearOnHugeInput)
{
    QString dots;
    for (int i = 0; i < 20000; ++i)
        dots += QStringLiteral("a.");
    EXPECT_TRUE(detect(dots).empty());
    const QString word(10000, QLatin1Char('w'));
    const QString text = QStringLiteral("http://example.com/") + word;
    const auto found = LinkDetector::detect(text);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.first().length, text.size());
    // A single host label longer than DNS allows is no host.
    EXPECT_TRUE(detect(word + QStringLiteral(".com")).empty());
    // Closing brackets without their opening ones are dropped one by one; a
    // long run of them once took time quadratic in its length.
    const QString brackets = QStringLiteral("http://example.com/(a") + QString(200000, u')');
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(detect(brackets), one("http://example.com/(a)", "http://example.com/(a)"));
    EXPECT_LT(clock.elapsed(), 2000);
}

} // namespace
