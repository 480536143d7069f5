#include "text/TextDocumentStyling.h"
#include "text/EntityHighlighter.h"
#include "text/EntityMarking.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

TEST(EntityHighlighter, MarksTheComposerTextWithoutTheBaseStyle)
{
    QTextDocument document;
    EntityHighlighter highlighter(&document);
    QTextCursor typing(&document);
    typing.insertText(QStringLiteral("hi @amy see example.com/#x\nnext #line"));
    highlighter.scan();

    StyledText expected(document.toRawText());
    EntityMarking::markEntities(expected);
    for (int i = 0; i < expected.length(); ++i)
        EXPECT_TRUE(TextDocumentStyling::attributesAt(&document, i) == expected.attributesAt(i))
            << i;
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
    for (const int at : { 7, 8, 9, 10 })
        EXPECT_EQ(
            TextDocumentStyling::attributesAt(&document, at).hash.has_value(), at == 7 || at == 10)
            << at;

    // Clearing drops every mark until the next scan; deleting the text
    // drops the marks on it.
    highlighter.clearMarks();
    EXPECT_FALSE(TextDocumentStyling::attributesAt(&document, 7).isEntity());
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

} // namespace
