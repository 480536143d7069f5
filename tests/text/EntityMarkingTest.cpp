#include "text/EntityMarking.h"
#include "core/Preferences.h"
#include "text/PostTextStyling.h"

#include <gtest/gtest.h>

namespace {

struct Marked {
    QString text;
    EntityKind kind;
    QString value;
    friend bool operator==(const Marked &, const Marked &) = default;
    friend std::ostream &operator<<(std::ostream &os, const Marked &m)
    {
        return os << entityKindName(m.kind).toStdString() << " '" << m.text.toStdString() << "' = '"
                  << m.value.toStdString() << "'";
    }
};

Marked hash(const char *t)
{
    return { QString::fromUtf8(t), EntityKind::Hash, QString::fromUtf8(t) };
}
Marked user(const char *t)
{
    return { QString::fromUtf8(t), EntityKind::User, QString::fromUtf8(t) };
}
Marked link(const char *t, const char *url)
{
    return { QString::fromUtf8(t), EntityKind::Link, QString::fromUtf8(url) };
}

TEST(EntityMarking, MarksLinksThenHashtagsThenMentionsAndLeavesTheTextAlone)
{
    const std::pair<const char *, std::vector<Marked>> cases[] = { { "", {} },
        { "see #tag and @bob", { hash("#tag"), user("@bob") } },
        { "@a #b example.com",
            { link("example.com", "http://example.com"), hash("#b"), user("@a") } },
        // Each ends at the first character outside its pattern.
        { "#my-tag @my-name", { hash("#my-tag"), user("@my") } },
        { "#café #cafe\u0301 done", { hash("#caf"), hash("#cafe") } },
        { "abc#def #a#b @c@d", { hash("#def"), hash("#a"), hash("#b"), user("@c"), user("@d") } },
        { "#TAG @Bob_2", { hash("#TAG"), user("@Bob_2") } }, { "# @ #- @-", { hash("#-") } },
        // Ignoring case, the long s and the Kelvin sign are "s" and "k".
        { "#\u017Fun @\u212Aim", { hash("#\u017Fun"), user("@\u212Aim") } },
        // Positions are UTF-16 units whatever the script.
        { "\U0001F600\U0001F44D\U0001F3FD #tag", { hash("#tag") } },
        { "שלום #tag ו-@bob مرحبا", { hash("#tag"), user("@bob") } },
        { "line one #a\r\nline\ttwo\n\n@b \u200F x\u2028#d",
            { hash("#a"), hash("#d"), user("@b") } },
        // A hashtag or mention touching a link is part of the link.
        { "example.net/gallery#top",
            { link("example.net/gallery#top", "http://example.net/gallery#top") } },
        { "read http://example.com/page#top now",
            { link("http://example.com/page#top", "http://example.com/page#top") } },
        { "write bob@example.com", { link("bob@example.com", "mailto:bob@example.com") } },
        { "#a https://example.com/@bob/#b @c",
            { link("https://example.com/@bob/#b", "https://example.com/@bob/#b"), hash("#a"),
                user("@c") } } };
    for (const auto &[input, expected] : cases) {
        const QString text = QString::fromUtf8(input);
        SCOPED_TRACE(input);
        const StyledText styled = PostTextStyling::styledText(text, 0);
        EXPECT_EQ(styled.text(), text);
        std::vector<Marked> found;
        for (const StyledText::Span &span : styled.spans()) {
            found.push_back({ text.mid(span.start, span.length), span.kind, span.value });
            EXPECT_TRUE(span.pointingHand);
            EXPECT_EQ(span.color, EntityMarking::colorFor(span.kind));
        }
        EXPECT_EQ(found, expected);
    }

    const QString huge = QStringLiteral("#") + QString(10000, u'a');
    const QList<StyledText::Span> words = EntityMarking::entitySpans(huge + u' ' + huge);
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[1].length, 10001);
}

TEST(EntityMarking, TheStylingFollowsTheFontSizePreferenceAtEachCall)
{
    const std::pair<qint64, qreal> cases[]
        = { { 0, 13 }, { 1, 15 }, { 2, 11 }, { 7, 13 }, { -1, 13 } };
    for (const auto &[preference, size] : cases) {
        Preferences::standard().setValue(prefs::prefsFontSize, preference);
        const StyledText styled = attributedStringFromString(QStringLiteral("x"));
        ASSERT_TRUE(styled.baseStyle());
        EXPECT_EQ(styled.baseStyle()->fontSize, size) << preference;
    }
    Preferences::standard().remove(prefs::prefsFontSize);
    for (const QString &text : { QString(), QStringLiteral("") }) {
        const StyledText styled = attributedStringFromString(text);
        EXPECT_TRUE(styled.isEmpty());
        EXPECT_TRUE(styled.baseStyle());
    }
}

} // namespace
