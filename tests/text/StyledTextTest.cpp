#include "text/StyledText.h"
#include "text/EntityMarking.h"
#include "text/PostTextStyling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

StyledText::Span span(int start, int length, EntityKind kind, const char *value, QColor color)
{
    return { start, length, kind, QString::fromUtf8(value), color, true };
}

TEST(StyledText, SpansAreClippedToTheText)
{
    StyledText text(QStringLiteral("abcdef"));
    text.addSpan(span(4, 10, EntityKind::Hash, "#x", Qt::red));
    text.addSpan(span(-3, 5, EntityKind::User, "@y", Qt::blue));
    text.addSpan(span(6, 2, EntityKind::Link, "z", Qt::green));
    text.addSpan(span(2, 0, EntityKind::Link, "z", Qt::green));
    text.addSpan(span(2147483600, 2147483600, EntityKind::Link, "z", Qt::green));
    ASSERT_EQ(text.spans().size(), 2);
    EXPECT_EQ(text.spans()[0].start, 4);
    EXPECT_EQ(text.spans()[0].length, 2);
    EXPECT_EQ(text.spans()[1].start, 0);
    EXPECT_EQ(text.spans()[1].length, 2);
    EXPECT_FALSE(text.attributesAt(-1).isEntity());
    EXPECT_FALSE(text.attributesAt(6).isEntity());
}

TEST(StyledText, RunsCoverTheTextWithTheLaterColourOnOverlaps)
{
    StyledText text(QStringLiteral("0123456789"));
    text.addSpan(span(2, 6, EntityKind::Link, "http://l", Qt::red));
    text.addSpan(span(5, 4, EntityKind::Hash, "#h", Qt::blue));
    const QList<StyledText::Run> runs = text.runs();
    ASSERT_EQ(runs.size(), 5);
    int covered = 0;
    for (const auto &run : runs) {
        EXPECT_EQ(run.start, covered);
        covered += run.length;
    }
    EXPECT_EQ(covered, 10);
    EXPECT_FALSE(runs[0].attributes.isEntity());
    EXPECT_EQ(runs[1].attributes.link, u"http://l");
    EXPECT_EQ(runs[1].attributes.color, QColor(Qt::red));
    EXPECT_EQ(runs[2].start, 5);
    EXPECT_EQ(runs[2].attributes.link, u"http://l");
    EXPECT_EQ(runs[2].attributes.hash, u"#h");
    EXPECT_EQ(runs[2].attributes.color, QColor(Qt::blue));
    EXPECT_EQ(runs[3].start, 8);
    EXPECT_FALSE(runs[3].attributes.link);
    EXPECT_EQ(runs[3].attributes.hash, u"#h");
    EXPECT_FALSE(runs[4].attributes.isEntity());
    EXPECT_TRUE(StyledText().runs().isEmpty());
}

TEST(StyledText, RunsAgreeWithTheAttributesOfEveryCharacter)
{
    // Overlapping, nested, touching and repeated spans in a random mix: each
    // run's attributes are those of each of its characters, and neighbours differ.
    std::mt19937 random(7);
    const EntityKind kinds[] = { EntityKind::Link, EntityKind::Hash, EntityKind::User };
    const QColor colours[] = { Qt::red, Qt::blue, QColor() };
    for (int round = 0; round < 40; ++round) {
        StyledText text(QString(60, u'x'));
        const int spans = int(random() % 12);
        for (int i = 0; i < spans; ++i) {
            text.addSpan({ int(random() % 64) - 2, int(random() % 20), kinds[random() % 3],
                QString::number(random() % 3), colours[random() % 3], random() % 2 == 0 });
        }
        const QList<StyledText::Run> runs = text.runs();
        int covered = 0;
        for (qsizetype r = 0; r < runs.size(); ++r) {
            ASSERT_EQ(runs[r].start, covered) << round;
            ASSERT_GT(runs[r].length, 0) << round;
            for (int i = runs[r].start; i < runs[r].start + runs[r].length; ++i) {
                ASSERT_EQ(runs[r].attributes, text.attributesAt(i)) << round << " at " << i;
            }
            if (r > 0) {
                EXPECT_NE(runs[r].attributes, runs[r - 1].attributes) << round;
            }
            covered += runs[r].length;
        }
        EXPECT_EQ(covered, text.length()) << round;
    }
}

TEST(StyledText, AnOverlongPostShowsItsBeginningWithWholeMarks)
{
    const QString unit = QStringLiteral("#tag @alice http://a.com/long/path ");
    const QString text = unit.repeated(PostTextStyling::maximumShownLength / int(unit.size()) + 50);
    const StyledText shown = PostTextStyling::styledPostText(text, 0);
    ASSERT_EQ(shown.length(), PostTextStyling::maximumShownLength + 1);
    EXPECT_EQ(shown.text().back(), QChar(0x2026));
    EXPECT_TRUE(text.startsWith(shown.text().chopped(1)));
    ASSERT_FALSE(shown.spans().isEmpty());
    for (const StyledText::Span &span : shown.spans())
        EXPECT_LE(span.end(), PostTextStyling::maximumShownLength);
    // The link cut by the ellipsis still carries its whole address.
    const auto cutLink = std::find_if(
        shown.spans().begin(), shown.spans().end(), [](const StyledText::Span &span) {
            return span.end() == PostTextStyling::maximumShownLength;
        });
    ASSERT_NE(cutLink, shown.spans().end());
    EXPECT_EQ(cutLink->kind, EntityKind::Link);
    EXPECT_TRUE(cutLink->value.endsWith(QStringLiteral("a.com/long/path")))
        << cutLink->value.toStdString();

    // A cut never splits a character made of two units.
    QString emoji = QString(PostTextStyling::maximumShownLength - 1, u'a')
        + QString::fromUtf8("\U0001F600") + QStringLiteral("tail");
    const StyledText cut = PostTextStyling::styledPostText(emoji, 0);
    EXPECT_FALSE(cut.text().chopped(1).back().isHighSurrogate());

    const QString ordinary = QStringLiteral("short #tag");
    EXPECT_EQ(
        PostTextStyling::styledPostText(ordinary, 0), PostTextStyling::styledText(ordinary, 0));
}

TEST(StyledText, ArchiveFormRoundTrips)
{
    const StyledText original
        = PostTextStyling::styledText(QString::fromUtf8("\U0001F600 see http://a.com/#x @bob"), 1);
    const StyledText copy = StyledText::fromVariantMap(original.toVariantMap());
    EXPECT_EQ(copy.text(), original.text());
    EXPECT_EQ(copy.spans().size(), original.spans().size());
    for (qsizetype i = 0; i < copy.spans().size(); ++i) {
        EXPECT_EQ(copy.spans()[i].start, original.spans()[i].start);
        EXPECT_EQ(copy.spans()[i].value, original.spans()[i].value);
        EXPECT_EQ(copy.spans()[i].color.rgba(), original.spans()[i].color.rgba());
    }
    ASSERT_TRUE(copy.baseStyle());
    EXPECT_EQ(copy.baseStyle()->fontSize, 15);
    EXPECT_EQ(copy.baseStyle()->shadowOffset, QPointF(0, 1));
    EXPECT_EQ(copy.baseStyle()->shadowColor.rgba(), original.baseStyle()->shadowColor.rgba());

    const StyledText plain(QStringLiteral("x"));
    EXPECT_FALSE(StyledText::fromVariantMap(plain.toVariantMap()).baseStyle());
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
    ASSERT_EQ(text.spans().size(), 1);
    EXPECT_EQ(text.spans()[0].value, u"#a");
    EXPECT_FALSE(text.spans()[0].color.isValid());
    ASSERT_TRUE(text.baseStyle());
    EXPECT_EQ(text.baseStyle()->fontSize, 13);

    EXPECT_TRUE(StyledText::fromVariantMap({}).isEmpty());
}

TEST(StyledText, TravelsInAVariant)
{
    const StyledText text = PostTextStyling::styledText(QStringLiteral("#a"), 0);
    const QVariant variant = QVariant::fromValue(text);
    EXPECT_EQ(variant.value<StyledText>(), text);
}

} // namespace
