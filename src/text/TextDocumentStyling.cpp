#include "text/TextDocumentStyling.h"

#include "text/StyledTextLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace TextDocumentStyling {

namespace {

Property propertyFor(EntityKind kind)
{
    switch (kind) {
    case EntityKind::Link:
        return LinkProperty;
    case EntityKind::Hash:
        return HashProperty;
    case EntityKind::User:
        return UserProperty;
    }
    return LinkProperty;
}

QString documentTextFor(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i + 1 < result.size(); ++i) {
        if (result.at(i) == u'\r' && result.at(i + 1) == u'\n')
            result[i] = QChar(0x200B);
    }
    return result;
}

void applySpans(QTextDocument *document, const QList<StyledText::Span> &spans)
{
    QTextCursor cursor(document);
    const int characters = document->characterCount() - 1;
    for (const StyledText::Span &span : spans) {
        const int start = std::clamp(span.start, 0, characters);
        const int end = std::clamp(span.end(), start, characters);
        if (end <= start)
            continue;
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(formatFor(span));
    }
}

} // namespace

QTextCharFormat baseFormat(const std::optional<BaseTextStyle> &style)
{
    QTextCharFormat format;
    if (!style)
        return format;
    format.setFont(StyledTextLayout::fontFor(style));
    if (style->color.isValid())
        format.setForeground(style->color);
    return format;
}

QTextCharFormat formatFor(const StyledText::Span &span)
{
    QTextCharFormat format;
    format.setProperty(propertyFor(span.kind), span.value);
    if (span.color.isValid())
        format.setForeground(span.color);
    format.setProperty(PointingHandProperty, span.pointingHand);
    return format;
}

void setStyledText(QTextDocument *document, const StyledText &text)
{
    if (!document)
        return;
    document->clear();
    const QTextCharFormat base = baseFormat(text.baseStyle());
    if (text.baseStyle())
        document->setDefaultFont(base.font());
    QTextCursor cursor(document);
    cursor.insertText(documentTextFor(text.text()), base);
    applySpans(document, text.spans());
}

QTextCharFormat formatFor(const TextAttributes &attributes)
{
    QTextCharFormat format;
    if (attributes.link)
        format.setProperty(LinkProperty, *attributes.link);
    if (attributes.hash)
        format.setProperty(HashProperty, *attributes.hash);
    if (attributes.user)
        format.setProperty(UserProperty, *attributes.user);
    if (attributes.color.isValid())
        format.setForeground(attributes.color);
    format.setProperty(PointingHandProperty, attributes.pointingHand);
    return format;
}

TextAttributes attributesAt(const QTextDocument *document, int position)
{
    TextAttributes attributes;
    if (!document || position < 0 || position >= document->characterCount() - 1)
        return attributes;
    const QTextBlock block = document->findBlock(position);
    if (!block.isValid())
        return attributes;
    // The format of the character at `position` is the one a cursor after it reads.
    QTextCursor cursor(const_cast<QTextDocument *>(document));
    cursor.setPosition(position + 1);
    if (cursor.block() != block)
        return attributes; // the block separator itself
    const QTextCharFormat format = cursor.charFormat();
    QList<QTextCharFormat> formats { format };
    // Marks kept in the layout (EntityHighlighter) lie over the character format.
    if (const QTextLayout *layout = block.layout()) {
        const int inBlock = position - block.position();
        for (const QTextLayout::FormatRange &range : layout->formats()) {
            if (inBlock >= range.start && inBlock < range.start + range.length)
                formats.append(range.format);
        }
    }
    for (const QTextCharFormat &f : formats) {
        auto read = [&f](Property property, std::optional<QString> &into) {
            if (f.hasProperty(property))
                into = f.stringProperty(property);
        };
        read(LinkProperty, attributes.link);
        read(HashProperty, attributes.hash);
        read(UserProperty, attributes.user);
        if (f.hasProperty(PointingHandProperty))
            attributes.pointingHand = f.boolProperty(PointingHandProperty);
        if (f.hasProperty(QTextFormat::ForegroundBrush)
            && (f.hasProperty(LinkProperty) || f.hasProperty(HashProperty)
                || f.hasProperty(UserProperty)))
            attributes.color = f.foreground().color();
    }
    return attributes;
}

int characterIndexAt(const QTextDocument *document, QPointF point)
{
    if (!document)
        return -1;
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QRectF bounds = layout->blockBoundingRect(block);
        if (point.y() < bounds.top() || point.y() >= bounds.bottom())
            continue;
        const QTextLayout *lines = block.layout();
        if (!lines)
            return -1;
        const QPointF origin = bounds.topLeft() - lines->boundingRect().topLeft();
        const QPointF local = point - origin;
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            if (local.y() < line.y() || local.y() >= line.y() + line.height())
                continue;
            const QRectF text = line.naturalTextRect();
            if (line.textLength() == 0 || local.x() < text.left() || local.x() >= text.right())
                return -1;
            const int index = std::clamp(line.xToCursor(local.x(), QTextLine::CursorOnCharacter),
                line.textStart(), line.textStart() + line.textLength() - 1);
            return block.position() + index;
        }
        return -1;
    }
    return -1;
}

} // namespace TextDocumentStyling
