#include "text/StyledText.h"
#include "text/EntityMarking.h"
#include "text/PostTextStyling.h"

#include <gtest/gtest.h>

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
