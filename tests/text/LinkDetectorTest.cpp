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
        found.emplace_back(text.mid(m.start, m.length), m.url(text));
    return found;
}

Found one(const char *visible, const char *url)
{
    return { { QString::fromUtf8(visible), QString::fromUtf8(url) } };
}

TEST(LinkDetector, FindsEachKindOfLinkAndNothingElse)
{
    const std::pair<const char *, Found> cases[] = {
        // Scheme links keep their text and lose trailing punctuation.
        { "see http://example.com/a?b=c#top.",
            one("http://example.com/a?b=c#top", "http://example.com/a?b=c#top") },
        { "HTTPS://Example.com, ok", one("HTTPS://Example.com", "HTTPS://Example.com") },
        { "ftp://files.example.com/x.zip",
            one("ftp://files.example.com/x.zip", "ftp://files.example.com/x.zip") },
        { "at http://127.0.0.1:8080/x!",
            one("http://127.0.0.1:8080/x", "http://127.0.0.1:8080/x") },
        { "\u201chttp://example.com/x\u201d", one("http://example.com/x", "http://example.com/x") },
        { "https://de.wikipedia.org/wiki/Café ok",
            one("https://de.wikipedia.org/wiki/Café", "https://de.wikipedia.org/wiki/Café") },
        { "http://example.com/\U0001F600", one("http://example.com/", "http://example.com/") },
        // Brackets close only what the link opened.
        { "(see example.com/a)", one("example.com/a", "http://example.com/a") },
        { "en.wikipedia.org/wiki/A_(b) is",
            one("en.wikipedia.org/wiki/A_(b)", "http://en.wikipedia.org/wiki/A_(b)") },
        { "[http://x.org/a]", one("http://x.org/a", "http://x.org/a") },
        // Addresses without a scheme get one.
        { "www.example.net", one("www.example.net", "http://www.example.net") },
        { "WWW.Example.io/path?q=1",
            one("WWW.Example.io/path?q=1", "http://WWW.Example.io/path?q=1") },
        { "Visit example.com.", one("example.com", "http://example.com") },
        { "bbc.co.uk/news", one("bbc.co.uk/news", "http://bbc.co.uk/news") },
        { "example.com:8080/p", one("example.com:8080/p", "http://example.com:8080/p") },
        { "example.com:abc", one("example.com", "http://example.com") },
        { "Is it example.com?", one("example.com", "http://example.com") },
        { "EXAMPLE.COM/A", one("EXAMPLE.COM/A", "http://EXAMPLE.COM/A") },
        { "a.com b.org",
            { { QStringLiteral("a.com"), QStringLiteral("http://a.com") },
                { QStringLiteral("b.org"), QStringLiteral("http://b.org") } } },
        // E-mail addresses become mailto:.
        { "mail bob.smith@example.co.uk!",
            one("bob.smith@example.co.uk", "mailto:bob.smith@example.co.uk") },
        { "mailto:amy@example.org", one("mailto:amy@example.org", "mailto:amy@example.org") },
        // Ordinary words stay alone.
        { "http:// example", {} }, { "http://...", {} }, { "xhttp://example.org", {} },
        { "javascript:alert(1) file:///etc/passwd", {} }, { "foo@bar", {} },
        { "example.com@x", {} }, { "e.g. i.e. 3.14 v1.2.3", {} },
        { "setup.py and run.sh, main.rs", {} }, { "@bob.com", {} }, { "#tag.de", {} },
        { "node.js", {} }, { "end.Then", {} }, { "a-.com", {} }, { "", {} }, { "...", {} },
        { "www.", {} }, { "www.localhost", {} }
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(detect(QString::fromUtf8(text)), expected) << text;
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

TEST(LinkDetector, StaysLinearOnHugeInput)
{
    EXPECT_TRUE(detect(QStringLiteral("a.").repeated(20000)).empty());
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
