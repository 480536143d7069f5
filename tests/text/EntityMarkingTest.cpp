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

std::vector<Marked> marks(const QString &text)
{
    std::vector<Marked> result;
    const StyledText styled = PostTextStyling::styledText(text, 0);
    for (const auto &span : styled.spans())
        result.push_back({ text.mid(span.start, span.length), span.kind, span.value });
    return result;
}

Marked hash(const char *t)
{
    return { QString::fromUtf8(t), EntityKind::Hash, QString::fromUtf8(t) };
}
Marked user(const char *t)
{
    return { QString::fromUtf8(t), EntityKind::User, QString::fromUtf8(t) };
}

class Styling : public ::testing::Test {
protected:
    void TearDown() override { Preferences::standard().remove(prefs::prefsFontSize); }
};

TEST_F(Styling, FontSizeFollowsThePreferenceAtEachCall)
{
    const std::pair<qint64, qreal> cases[]
        = { { 0, 13 }, { 1, 15 }, { 2, 11 }, { 7, 13 }, { -1, 13 } };
    for (const auto &[preference, size] : cases) {
        Preferences::standard().setValue(prefs::prefsFontSize, preference);
        const StyledText styled = attributedStringFromString(QStringLiteral("x"));
        ASSERT_TRUE(styled.baseStyle());
        EXPECT_EQ(styled.baseStyle()->fontSize, size) << preference;
    }
}

TEST_F(Styling, BaseStyleIsFontColourAndShadow)
{
    const BaseTextStyle style = PostTextStyling::baseStyle(0);
    EXPECT_EQ(style.fontFamilies, QStringList { QStringLiteral("Lucida Grande") });
    EXPECT_NEAR(style.color.redF(), 0.098, 0.002);
    EXPECT_NEAR(style.color.blueF(), 0.098, 0.002);
    EXPECT_EQ(style.shadowColor.rgb(), QColor(Qt::white).rgb());
    EXPECT_NEAR(style.shadowColor.alphaF(), 0.4, 0.01);
    EXPECT_EQ(style.shadowOffset, QPointF(0, 1));
    EXPECT_EQ(style.shadowBlur, 0);
}

TEST_F(Styling, NullAndEmptyTextsAreEmptyWithTheBaseStyle)
{
    for (const QString &text : { QString(), QStringLiteral("") }) {
        const StyledText styled = attributedStringFromString(text);
        EXPECT_TRUE(styled.isEmpty());
        EXPECT_TRUE(styled.spans().isEmpty());
        EXPECT_TRUE(styled.baseStyle());
    }
}

TEST_F(Styling, MarksHashtagsAndMentionsAndNothingElse)
{
    const QString text = QStringLiteral("see #tag and @bob");
    const StyledText styled = attributedStringFromString(text);
    EXPECT_EQ(styled.text(), text);
    EXPECT_EQ(marks(text), (std::vector<Marked> { hash("#tag"), user("@bob") }));
    for (int i = 0; i < text.size(); ++i) {
        const TextAttributes a = styled.attributesAt(i);
        const bool inTag = i >= 4 && i < 8;
        const bool inUser = i >= 13;
        EXPECT_EQ(a.hash.has_value(), inTag) << i;
        EXPECT_EQ(a.user.has_value(), inUser) << i;
        EXPECT_FALSE(a.link) << i;
        EXPECT_EQ(a.pointingHand, inTag || inUser) << i;
        EXPECT_EQ(a.color.isValid(), inTag || inUser) << i;
    }
    EXPECT_EQ(styled.attributesAt(5).color, EntityMarking::hashtagColor());
    EXPECT_EQ(styled.attributesAt(14).color, EntityMarking::mentionColor());
}

TEST_F(Styling, EntitiesEndAtTheFirstCharacterOutsideTheirPattern)
{
    EXPECT_EQ(marks(QStringLiteral("#my-tag")), std::vector<Marked> { hash("#my-tag") });
    EXPECT_EQ(marks(QStringLiteral("@my-name")), std::vector<Marked> { user("@my") });
    EXPECT_EQ(marks(QString::fromUtf8("#café")), std::vector<Marked> { hash("#caf") });
    EXPECT_EQ(marks(QString::fromUtf8("#cafe\u0301 done")), std::vector<Marked> { hash("#cafe") });
    EXPECT_EQ(marks(QStringLiteral("abc#def")), std::vector<Marked> { hash("#def") });
    EXPECT_EQ(marks(QStringLiteral("#a#b @c@d")),
        (std::vector<Marked> { hash("#a"), hash("#b"), user("@c"), user("@d") }));
    EXPECT_EQ(marks(QStringLiteral("#TAG @Bob_2")),
        (std::vector<Marked> { hash("#TAG"), user("@Bob_2") }));
    // Ignoring case, the long s and the Kelvin sign are "s" and "k".
    EXPECT_EQ(marks(QString::fromUtf8("#\u017Fun @\u212Aim")),
        (std::vector<Marked> { hash("#\u017Fun"), user("@\u212Aim") }));
    EXPECT_TRUE(marks(QStringLiteral("# @ #- @-")).size() == 1); // only "#-"
}

TEST_F(Styling, AHashtagOrMentionInsideALinkIsPartOfTheLink)
{
    const auto link = [](const char *t, const char *url) {
        return Marked { QString::fromUtf8(t), EntityKind::Link, QString::fromUtf8(url) };
    };
    const std::pair<const char *, std::vector<Marked>> cases[] = {
        { "example.net/gallery#top",
            { link("example.net/gallery#top", "http://example.net/gallery#top") } },
        { "read http://example.com/page#top now",
            { link("http://example.com/page#top", "http://example.com/page#top") } },
        { "write bob@example.com", { link("bob@example.com", "mailto:bob@example.com") } },
        { "#a https://example.com/@bob/#b @c",
            { link("https://example.com/@bob/#b", "https://example.com/@bob/#b"), hash("#a"),
                user("@c") } },
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(marks(QString::fromUtf8(text)), expected) << text;

    // One mark, one colour, all along the link.
    const QString text = QStringLiteral("see example.net/gallery#top");
    const StyledText styled = attributedStringFromString(text);
    int linkOnly = 0;
    for (int i = 4; i < text.size(); ++i) {
        const TextAttributes a = styled.attributesAt(i);
        linkOnly += !a.hash && a.link && a.color == EntityMarking::linkColor();
    }
    EXPECT_EQ(linkOnly, text.size() - 4);
}

TEST_F(Styling, RangesAreUtf16UnitsWhateverTheScript)
{
    const QString emoji = QString::fromUtf8("\U0001F600\U0001F44D\U0001F3FD #tag");
    const auto ranges = EntityMarking::hashtagRanges(emoji);
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].start, 7);
    EXPECT_EQ(ranges[0].length, 4);

    const QString rtl = QString::fromUtf8("שלום #tag ו-@bob مرحبا");
    EXPECT_EQ(marks(rtl), (std::vector<Marked> { hash("#tag"), user("@bob") }));
    const auto mention = EntityMarking::mentionRanges(rtl);
    ASSERT_EQ(mention.size(), 1);
    EXPECT_EQ(rtl.mid(mention[0].start, mention[0].length), u"@bob");
}

TEST_F(Styling, TheTextIsNeverChanged)
{
    QString text = QString::fromUtf8("line one #a\r\nline\ttwo\n\n@b \u200F x");
    text += QChar(0);
    text += QStringLiteral("y @c\u2028#d");
    EXPECT_EQ(attributedStringFromString(text).text(), text);
}

TEST_F(Styling, HugeWordsAreOneEntity)
{
    const QString word = QStringLiteral("#") + QString(10000, QLatin1Char('a'));
    const StyledText styled = attributedStringFromString(
        word + QStringLiteral(" @") + QString(10000, QLatin1Char('b')));
    ASSERT_EQ(styled.spans().size(), 2);
    EXPECT_EQ(styled.spans()[0].length, 10001);
    EXPECT_EQ(styled.spans()[1].length, 10001);
}

TEST_F(Styling, LinksComeFirstThenHashtagsThenMentions)
{
    const StyledText styled = attributedStringFromString(QStringLiteral("@a #b example.com"));
    ASSERT_EQ(styled.spans().size(), 3);
    EXPECT_EQ(styled.spans()[0].kind, EntityKind::Link);
    EXPECT_EQ(styled.spans()[1].kind, EntityKind::Hash);
    EXPECT_EQ(styled.spans()[2].kind, EntityKind::User);
    for (const auto &span : styled.spans()) {
        EXPECT_TRUE(span.pointingHand);
        EXPECT_EQ(span.color, EntityMarking::colorFor(span.kind));
    }
}

TEST(StringToURLTransformer, AnswersAValidUrlOrNone)
{
    EXPECT_EQ(StringToURLTransformer::transformedValue(QStringLiteral("http://example.com/a")),
        QUrl(QStringLiteral("http://example.com/a")));
    EXPECT_FALSE(StringToURLTransformer::transformedValue(QString()).isValid());
    EXPECT_FALSE(
        StringToURLTransformer::transformedValue(QStringLiteral("http://exa mple.com")).isValid());
}

} // namespace
