#pragma once

#include "text/StyledText.h"

#include <QPointF>
#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

// Styled text in a QTextDocument, for the text views that edit or select (the
// composer, StyleTextView). The entity values ride on character-format
// properties, so they survive editing around them.
namespace TextDocumentStyling {

enum Property {
    LinkProperty = QTextFormat::UserProperty + 0x4c00, // QString: the "Link" value
    HashProperty, // QString: the "Hash" value
    UserProperty, // QString: the "User" value
    PointingHandProperty, // bool
};

QTextCharFormat baseFormat(const std::optional<BaseTextStyle> &style);
QTextCharFormat formatFor(const StyledText::Span &span);

// Replaces the document's content with `text`. Document positions equal the
// text's UTF-16 positions (a "\r" before "\n" is kept as an invisible
// zero-width space so that the pair stays two positions).
void setStyledText(QTextDocument *document, const StyledText &text);

// The format that carries the attributes of a marked stretch of text.
QTextCharFormat formatFor(const TextAttributes &attributes);

// The attributes of the character at `position` (none outside the text),
// from its character format and from the marks an EntityHighlighter keeps
// in the block's layout.
TextAttributes attributesAt(const QTextDocument *document, int position);

// The character under `point` (document coordinates), or -1 beside, above or
// below the text of every line.
int characterIndexAt(const QTextDocument *document, QPointF point);

} // namespace TextDocumentStyling
