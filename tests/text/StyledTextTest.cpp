#include "text/StyledText.h"
#include "text/PostTextStyling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

TEST(StyledText, SpansAreClippedToTheText)
{
    const struct {
        int start, length, keptStart, keptLength; // kept length 0: dropped
    } cases[] = { { 4, 10, 4, 2 }, { -3, 5, 0, 2 }, { 6, 2, 0, 0 }, { 2, 0, 0, 0 },
        { 2147483600, 2147483600, 0, 0 } };
    for (const auto &c : cases) {
        StyledText text(QStringLiteral("abcdef"));
        text.addSpan({ c.start, c.length, EntityKind::Hash, QStringLiteral("#x"), Qt::red });
        SCOPED_TRACE(c.start);
        ASSERT_EQ(text.spanCount(), c.keptLength ? 1 : 0);
        if (c.keptLength) {
            EXPECT_EQ(text.span(0).start, c.keptStart);
            EXPECT_EQ(text.span(0).length, c.keptLength);
            EXPECT_EQ(text.span(0).value, u"#x");
        }
    }
    const StyledText text(QStringLiteral("ab"));
    EXPECT_FALSE(text.attributesAt(-1).isEntity());
    EXPECT_FALSE(text.attributesAt(2).isEntity());
}

TEST(StyledText, OverlapsKeepEveryValueAndTakeTheLaterColour)
{
    StyledText text(QStringLiteral("0123456789"));
    text.addSpan({ 2, 6, EntityKind::Link, QStringLiteral("http://l"), Qt::red });
    text.addSpan({ 5, 4, EntityKind::Hash, QStringLiteral("#h"), Qt::blue, false });
    const TextAttributes both = text.attributesAt(6);
    EXPECT_EQ(both.link, u"http://l");
    EXPECT_EQ(both.hash, u"#h");
    EXPECT_EQ(both.color, QColor(Qt::blue));
    EXPECT_FALSE(both.pointingHand);
    EXPECT_EQ(text.attributesAt(8).hash, u"#h");
    EXPECT_FALSE(text.attributesAt(8).link);
    EXPECT_EQ(text.runs().size(), 5);
    EXPECT_TRUE(StyledText().runs().isEmpty());
}

TEST(StyledText, SpansReadBackAsAddedAndRunsAgreeWithEveryCharacter)
{
    // Overlapping, nested, touching and repeated spans in a random mix, with
    // values that are the marked characters, those after "http://" or
    // "mailto:", or anything else: each span reads back as it was added, each
    // run's attributes are those of each of its characters, and neighbours differ.
    std::mt19937 random(7);
    const EntityKind kinds[] = { EntityKind::Link, EntityKind::Hash, EntityKind::User };
    const QColor colours[] = { Qt::red, Qt::blue, QColor() };
    const QString source = QStringLiteral("#a#a a.co#a a.co@b");
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        StyledText text(source.repeated(3));
        QList<StyledText::Span> added;
        const int spans = int(random() % 14);
        for (int i = 0; i < spans; ++i) {
            const int start = int(random() % 48); // ends inside the text
            const int length = 1 + int(random() % 6);
            const QString characters = text.text().mid(start, length);
            const QString values[] = { characters, QStringLiteral("http://") + characters,
                QStringLiteral("mailto:") + characters, QString::number(random() % 2) };
            const StyledText::Span span { start, length, kinds[random() % 3], values[random() % 4],
                colours[random() % 3], random() % 2 == 0 };
            text.addSpan(span);
            added.append(span);
        }
        EXPECT_EQ(text.spans(), added);
        const QList<StyledText::Run> runs = text.runs();
        int covered = 0;
        for (qsizetype r = 0; r < runs.size(); ++r) {
            ASSERT_EQ(runs[r].start, covered);
            ASSERT_GT(runs[r].length, 0);
            for (int i = runs[r].start; i < runs[r].start + runs[r].length; ++i)
                ASSERT_EQ(runs[r].attributes, text.attributesAt(i)) << " at " << i;
            if (r > 0) {
                EXPECT_NE(runs[r].attributes, runs[r - 1].attributes);
            }
            covered += runs[r].length;
        }
        EXPECT_EQ(covered, text.length());
        EXPECT_EQ(StyledText::fromVariantMap(text.toVariantMap()), text);
    }
}

TEST(StyledText, AnOverlongPostShowsItsBeginningWithWholeMarks)
{
    // The ellipsis cuts a link once and a hashtag once; both keep their whole value.
    for (const QString &unit :
        { QStringLiteral("#tag @alice http://a.com/long/path "), QStringLiteral("#tagged  ") }) {
        SCOPED_TRACE(unit.toStdString());
        const QString text
            = unit.repeated(PostTextStyling::maximumShownLength / int(unit.size()) + 50);
        const StyledText shown = PostTextStyling::styledPostText(text, 0);
        ASSERT_EQ(shown.length(), PostTextStyling::maximumShownLength + 1);
        EXPECT_EQ(shown.text().back(), QChar(0x2026));
        EXPECT_TRUE(text.startsWith(shown.text().chopped(1)));
        const QList<StyledText::Span> spans = shown.spans();
        const auto cut = std::find_if(spans.begin(), spans.end(),
            [](const auto &span) { return span.end() == PostTextStyling::maximumShownLength; });
        ASSERT_NE(cut, spans.end());
        EXPECT_TRUE(cut->value.endsWith(text.mid(cut->start).section(u' ', 0, 0)))
            << cut->value.toStdString();
    }

    // A cut never splits a character made of two units.
    QString emoji = QString(PostTextStyling::maximumShownLength - 1, u'a')
        + QString::fromUtf8("\U0001F600") + QStringLiteral("tail");
    EXPECT_FALSE(
        PostTextStyling::styledPostText(emoji, 0).text().chopped(1).back().isHighSurrogate());

    const QString ordinary = QStringLiteral("short #tag");
    EXPECT_EQ(
        PostTextStyling::styledPostText(ordinary, 0), PostTextStyling::styledText(ordinary, 0));
}

TEST(StyledText, ArchiveFormRoundTripsWithTheBaseStyle)
{
    const StyledText original
        = PostTextStyling::styledText(QString::fromUtf8("\U0001F600 see http://a.com/#x @bob"), 1);
    const StyledText copy = StyledText::fromVariantMap(original.toVariantMap());
    EXPECT_EQ(copy, original);
    ASSERT_TRUE(copy.baseStyle());
    EXPECT_EQ(copy.baseStyle()->fontSize, 15);
    EXPECT_FALSE(
        StyledText::fromVariantMap(StyledText(QStringLiteral("x")).toVariantMap()).baseStyle());
    EXPECT_EQ(QVariant::fromValue(original).value<StyledText>(), original);
}

TEST(StyledText, DamagedArchivesLoseOnlyWhatDoesNotFit)
{
    const QVariantMap good { { QStringLiteral("start"), 0 }, { QStringLiteral("length"), 2 },
        { QStringLiteral("kind"), QStringLiteral("Hash") },
        { QStringLiteral("value"), QStringLiteral("#a") } };
    auto with = [&good](const char *key, const QVariant &value) {
        QVariantMap m = good;
        m.insert(QString::fromLatin1(key), value);
        return QVariant(m);
    };
    const QVariantMap archive { { QStringLiteral("text"), QStringLiteral("#a b") },
        { QStringLiteral("spans"),
            QVariantList { good, with("start", -1), with("length", 99),
                with("kind", QStringLiteral("Bogus")), with("start", QStringLiteral("zero")),
                QStringLiteral("not a map"), QVariant() } },
        { QStringLiteral("base"),
            QVariantMap { { QStringLiteral("fontSize"), QStringLiteral("huge") } } } };
    const StyledText text = StyledText::fromVariantMap(archive);
    EXPECT_EQ(text.text(), u"#a b");
    ASSERT_EQ(text.spanCount(), 1);
    EXPECT_EQ(text.span(0).value, u"#a");
    EXPECT_FALSE(text.span(0).color.isValid());
    ASSERT_TRUE(text.baseStyle());
    EXPECT_EQ(text.baseStyle()->fontSize, 13);
    EXPECT_TRUE(StyledText::fromVariantMap({}).isEmpty());
}

} // namespace
