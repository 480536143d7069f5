#pragma once

#include <QObject>
#include <QPointer>
#include <QTextDocument>

class QTextBlock;

// The composer's live marking: links, hashtags and mentions of the text being
// written get their colours and values as the user types, without the base
// styling. The marks live in the block layouts, not in the document: they
// follow every edit, never enter the undo history and never count as a change
// of the text. TextDocumentStyling::attributesAt() reads them. Lives as long
// as its document.
class EntityHighlighter : public QObject {
    Q_OBJECT
public:
    explicit EntityHighlighter(QTextDocument *document);

    // Marks the whole document again.
    void rehighlight();

private:
    void reformat(int from, int charsRemoved, int charsAdded);
    void markBlock(const QTextBlock &block);

    QPointer<QTextDocument> m_document;
    bool m_reformatting = false;
};
