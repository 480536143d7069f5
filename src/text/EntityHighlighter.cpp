#include "text/EntityHighlighter.h"

#include "text/EntityMarking.h"
#include "text/ReadableColors.h"
#include "text/TextDocumentStyling.h"

#include <QSet>
#include <QTextBlock>
#include <QTextLayout>

namespace {

QString keyOf(const StyledText::Span &span)
{
    return QStringLiteral("%1 %2 %3 ").arg(span.start).arg(span.length).arg(int(span.kind))
        + span.value;
}

} // namespace

EntityHighlighter::EntityHighlighter(QTextDocument *document)
    : QObject(document)
    , m_document(document)
{
    if (!document)
        return;
    // A document reports changes only once it has a layout.
    document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &EntityHighlighter::follow);
}

void EntityHighlighter::scan()
{
    if (!m_document)
        return;
    const QString text = m_document->toRawText();
    if (m_hasScanned && text == m_scannedText)
        return; // marking depends on the text alone
    m_scannedText = text;
    m_hasScanned = true;
    QSet<QString> present;
    for (const StyledText::Span &mark : std::as_const(m_marks))
        present.insert(keyOf(mark));
    bool added = false;
    for (const StyledText::Span &span : EntityMarking::entitySpans(text)) {
        if (present.contains(keyOf(span)))
            continue;
        m_marks.append(span);
        added = true;
    }
    if (added)
        apply();
}

void EntityHighlighter::setBackground(const QColor &background)
{
    if (background == m_background)
        return;
    m_background = background;
    apply();
}

void EntityHighlighter::clearMarks()
{
    m_hasScanned = false;
    if (m_marks.isEmpty())
        return;
    m_marks.clear();
    apply();
}

void EntityHighlighter::follow(int position, int charsRemoved, int charsAdded)
{
    // Writing the marks tells the layout that the blocks changed, which
    // comes back here as a change of the same length.
    if (m_applying || !m_document)
        return;
    const int removedEnd = position + charsRemoved;
    const auto afterRemoval = [&](int at) {
        return at <= position ? at : (at >= removedEnd ? at - charsRemoved : position);
    };
    QList<StyledText::Span> moved;
    moved.reserve(m_marks.size());
    for (StyledText::Span mark : std::as_const(m_marks)) {
        const int start = afterRemoval(mark.start);
        const int end = afterRemoval(mark.end());
        if (end <= start)
            continue;
        if (start < position && position < end && charsAdded > 0) {
            // Typed inside the mark: the new text belongs to neither half.
            StyledText::Span tail = mark;
            mark.start = start;
            mark.length = position - start;
            tail.start = position + charsAdded;
            tail.length = end - position;
            moved.append(mark);
            moved.append(tail);
            continue;
        }
        mark.start = start >= position ? start + charsAdded : start;
        mark.length = end - start;
        moved.append(mark);
    }
    const bool changed = moved != m_marks;
    m_marks = std::move(moved);
    if (changed || charsAdded > 0)
        apply();
}

void EntityHighlighter::apply()
{
    if (!m_document)
        return;
    m_applying = true;
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        QTextLayout *layout = block.layout();
        if (!layout)
            continue;
        const int blockStart = block.position();
        const int blockEnd = blockStart + block.length() - 1;
        // One range per mark, in the order added: where marks overlap the
        // later one's colour wins and every value stays.
        QList<QTextLayout::FormatRange> ranges;
        for (const StyledText::Span &mark : std::as_const(m_marks)) {
            const int start = std::max(mark.start, blockStart);
            const int end = std::min(mark.end(), blockEnd);
            if (end <= start)
                continue;
            QTextCharFormat format = TextDocumentStyling::formatFor(mark);
            if (m_background.isValid() && mark.color.isValid())
                format.setForeground(ReadableColors::readableOn(mark.color, m_background));
            ranges.append({ start - blockStart, end - start, format });
        }
        if (ranges == layout->formats())
            continue;
        layout->setFormats(ranges);
        m_document->markContentsDirty(block.position(), block.length());
    }
    m_applying = false;
}
