#include "text/TextDocumentStyling.h"
#include "text/EntityHighlighter.h"
#include "text/EntityMarking.h"
#include "text/PostTextStyling.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

void expectSameMarks(const QTextDocument &document, const StyledText &styled)
{
    ASSERT_EQ(document.characterCount() - 1, styled.length());
    for (int i = 0; i < styled.length(); ++i) {
        const TextAttributes fromDocument = TextDocumentStyling::attributesAt(&document, i);
        const TextAttributes fromText = styled.attributesAt(i);
        EXPECT_EQ(fromDocument.link, fromText.link) << i;
        EXPECT_EQ(fromDocument.hash, fromText.hash) << i;
        EXPECT_EQ(fromDocument.user, fromText.user) << i;
        EXPECT_EQ(fromDocument.pointingHand, fromText.pointingHand) << i;
        if (fromText.isEntity()) {
            EXPECT_EQ(fromDocument.color, fromText.color) << i;
        }
    }
}

TEST(TextDocumentStyling, DocumentPositionsAreTextPositions)
{
    const QString text
        = QString::fromUtf8("#a\r\n\U0001F600 @b\rhttp://x.org/#c\u2029 @d\u2028#e\n\n@f");
    const StyledText styled = PostTextStyling::styledText(text, 0);
    QTextDocument document;
    TextDocumentStyling::setStyledText(&document, styled);
    expectSameMarks(document, styled);
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, -1).isEntity());
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, styled.length()).isEntity());
}

TEST(EntityHighlighter, MarksTheComposerTextWithoutTheBaseStyle)
{
    QTextDocument document;
    EntityHighlighter highlighter(&document);
    QTextCursor typing(&document);
    typing.insertText(QStringLiteral("hi @amy see example.com/#x\nnext #line"));
    highlighter.scan();

    StyledText expected(document.toRawText());
    EntityMarking::markEntities(expected);
    expectSameMarks(document, expected);
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 0).color.isValid());
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 35).hash, u"#line");
}

TEST(EntityHighlighter, MarksAreOnlyAddedAndFollowTheirCharacters)
{
    QTextDocument document;
    EntityHighlighter highlighter(&document);
    QTextCursor edit(&document);
    edit.insertText(QStringLiteral("hi @amy"));
    highlighter.scan();
    ASSERT_EQ(TextDocumentStyling::attributesAt(&document, 4).user, u"@amy");

    // Text put in front moves the mark along.
    edit.setPosition(0);
    edit.insertText(QStringLiteral(">> "));
    highlighter.scan();
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 3).isEntity());
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 6).user, u"@amy");

    // Without its "@" the rest no longer matches, and keeps its mark.
    edit.setPosition(6);
    edit.deleteChar();
    highlighter.scan();
    EXPECT_EQ(document.toRawText(), u">> hi amy");
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 6).user, u"@amy");
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 8).user, u"@amy");

    // A new match adds its own mark over the old one.
    edit.insertText(QStringLiteral("#"));
    highlighter.scan();
    const TextAttributes both = TextDocumentStyling::attributesAt(&document, 7);
    EXPECT_EQ(both.hash, u"#amy");
    EXPECT_EQ(both.user, u"@amy");
    EXPECT_EQ(both.color, EntityMarking::hashtagColor());

    // Typed inside a mark is not part of it; the two halves stay.
    edit.setPosition(8);
    edit.insertText(QStringLiteral("XY"));
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 8).hash.has_value());
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 9).hash.has_value());
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 7).hash, u"#amy");
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 10).hash, u"#amy");

    // Clearing drops every mark until the next scan; deleting the text
    // drops the marks on it.
    highlighter.clearMarks();
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 7).isEntity());
    EXPECT_TRUE(highlighter.marks().isEmpty());
    highlighter.scan();
    EXPECT_FALSE(highlighter.marks().isEmpty());
    edit.select(QTextCursor::Document);
    edit.removeSelectedText();
    EXPECT_TRUE(highlighter.marks().isEmpty());
}

TEST(EntityHighlighter, MarkingIsNoEditOfTheText)
{
    QTextDocument document;
    EntityHighlighter highlighter(&document);
    int changes = 0;
    QObject::connect(&document, &QTextDocument::contentsChanged, [&changes] { ++changes; });
    QTextCursor typing(&document);
    typing.insertText(QStringLiteral("#tag"));
    highlighter.scan();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(document.availableUndoSteps(), 1);
    EXPECT_EQ(TextDocumentStyling::attributesAt(&document, 1).hash, u"#tag");
    document.undo();
    EXPECT_TRUE(document.isEmpty());
    EXPECT_TRUE(highlighter.marks().isEmpty());
}

TEST(TextDocumentStyling, HitTestingFindsCharactersOnEveryLine)
{
    QTextDocument document;
    document.setTextWidth(400);
    TextDocumentStyling::setStyledText(
        &document, PostTextStyling::styledText(QStringLiteral("ab\ncd"), 0));
    QList<int> found;
    for (qreal y = 0; y < document.size().height(); y += 1) {
        for (qreal x = 0; x < 400; x += 1) {
            const int index = TextDocumentStyling::characterIndexAt(&document, QPointF(x, y));
            if (index >= 0 && !found.contains(index))
                found.append(index);
        }
    }
    std::sort(found.begin(), found.end());
    // The line break itself has no width to click on.
    EXPECT_EQ(found, (QList<int> { 0, 1, 3, 4 }));
    EXPECT_EQ(TextDocumentStyling::characterIndexAt(&document, QPointF(300, 2)), -1);
    EXPECT_EQ(
        TextDocumentStyling::characterIndexAt(&document, QPointF(5, document.size().height() + 5)),
        -1);
}

} // namespace
