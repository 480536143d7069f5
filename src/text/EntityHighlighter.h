#pragma once

#include "text/StyledText.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTextDocument>

// The composer's live marking: links, hashtags and mentions of the text being
// written get their colours and values, without the base styling. Marking
// only adds: a mark stays on its characters as the text around it changes,
// also when they no longer match, until the marks are cleared (a paste does
// that) or its characters are deleted. Text typed inside a mark is not part
// of it. The marks live in the block layouts, not in the document: they never
// enter the undo history and never count as a change of the text.
// TextDocumentStyling::attributesAt() reads them. Lives as long as its document.
class EntityHighlighter : public QObject {
    Q_OBJECT
public:
    explicit EntityHighlighter(QTextDocument *document);

    // Adds the marks of the text as it is now.
    void scan();
    void clearMarks();
    // In the order they were added; positions follow the edits.
    const QList<StyledText::Span> &marks() const { return m_marks; }
    // What the text is drawn on. Once set, a mark whose colour would not
    // read there is drawn in the same hue made readable; the marks keep
    // their own colours.
    void setBackground(const QColor &background);

private:
    void follow(int position, int charsRemoved, int charsAdded);
    void apply();

    QPointer<QTextDocument> m_document;
    QList<StyledText::Span> m_marks;
    QColor m_background;
    bool m_applying = false;
    QString m_scannedText;
    bool m_hasScanned = false;
};
