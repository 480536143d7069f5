#include "text/PostTextStyling.h"
#include "text/StyledTextLayout.h"
#include "text/TextClick.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// Texts made of the characters that steer the detectors, mixed with odd
// Unicode: lone and paired surrogates, combining marks, right-to-left
// letters, controls and line breaks.
QString oddText(QRandomGenerator &random, int length)
{
    static const QString pieces[] = { QStringLiteral("#"), QStringLiteral("@"), QStringLiteral("."),
        QStringLiteral("/"), QStringLiteral(":"), QStringLiteral("http://"), QStringLiteral("www."),
        QStringLiteral(".com"), QStringLiteral("-"), QStringLiteral("_"), QStringLiteral("a"),
        QStringLiteral("Z"), QStringLiteral("9"), QStringLiteral(" "), QStringLiteral("\n"),
        QStringLiteral("\r\n"), QStringLiteral("("), QStringLiteral(")"),
        QString::fromUtf8("\U0001F600"), QString(QChar(0xD83D)), QString(QChar(0xDE00)),
        QString::fromUtf8("\u0301"), QString::fromUtf8("\u05e9"), QString::fromUtf8("\u202e"),
        QString(QChar(0)), QString::fromUtf8("\uFFFF"), QString::fromUtf8("é"), QStringLiteral("?"),
        QStringLiteral("mailto:"), QString::fromUtf8("\u2028") };
    QString text;
    while (text.size() < length)
        text += pieces[random.bounded(int(std::size(pieces)))];
    return text;
}

TEST(OddInput, StylingMeasuringAndHitTestingHoldTogether)
{
    QRandomGenerator random(20120820);
    for (int round = 0; round < 300; ++round) {
        const QString text = oddText(random, 1 + random.bounded(120));
        const StyledText styled = PostTextStyling::styledText(text, round % 3);
        ASSERT_EQ(styled.text(), text);
        for (const auto &span : styled.spans()) {
            ASSERT_TRUE(span.start >= 0 && span.length > 0 && span.end() <= text.size());
            if (span.kind != EntityKind::Link)
                ASSERT_EQ(span.value, text.mid(span.start, span.length));
            else
                ASSERT_TRUE(TextClick::urlForLinkValue(span.value).isValid())
                    << span.value.toStdString();
        }
        const qreal width = 40 + random.bounded(400);
        const StyledTextLayout layout(styled, width);
        ASSERT_GT(layout.usedSize().height(), 0);
        ASSERT_LE(layout.usedSize().width(), width);
        for (int probe = 0; probe < 20; ++probe) {
            const int index = layout.characterIndexAt(
                QPointF(random.bounded(width), random.bounded(layout.usedSize().height() + 10)));
            ASSERT_TRUE(index >= -1 && index < text.size());
        }
        ASSERT_EQ(StyledText::fromVariantMap(styled.toVariantMap()), styled);
    }
}

} // namespace
