#include "text/EntityHighlighter.h"

#include "text/EntityMarking.h"
#include "text/TextDocumentStyling.h"

#include <QTextBlock>
#include <QTextLayout>

EntityHighlighter::EntityHighlighter(QTextDocument *document)
    : QObject(document)
    , m_document(document)
{
    if (!document)
        return;
    // A document reports changes only once it has a layout.
    document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &EntityHighlighter::reformat);
    rehighlight();
}

void EntityHighlighter::rehighlight()
{
    if (m_document)
        reformat(0, 0, m_document->characterCount());
}

void EntityHighlighter::reformat(int from, int, int charsAdded)
{
    // Marking tells the layout that the block changed, which comes back here.
    if (m_reformatting || !m_document)
        return;
    m_reformatting = true;
    const int end = from + charsAdded;
    for (QTextBlock block = m_document->findBlock(from); block.isValid() && block.position() <= end;
         block = block.next())
        markBlock(block);
    m_reformatting = false;
}

void EntityHighlighter::markBlock(const QTextBlock &block)
{
    QTextLayout *layout = block.layout();
    if (!layout)
        return;
    // Entities never cross a line break, so each block is marked on its own.
    StyledText marked(block.text());
    EntityMarking::markEntities(marked);
    QList<QTextLayout::FormatRange> ranges;
    if (!marked.spans().isEmpty()) {
        for (const StyledText::Run &run : marked.runs()) {
            if (run.attributes.isEntity())
                ranges.append(
                    { run.start, run.length, TextDocumentStyling::formatFor(run.attributes) });
        }
    }
    if (ranges == layout->formats())
        return;
    layout->setFormats(ranges);
    m_document->markContentsDirty(block.position(), block.length());
}
