#include "views/RowTextSelection.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

// The grapheme boundary at or before `position`.
int boundaryAtOrBefore(const QString &text, int position)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(std::clamp(position, 0, int(text.size())));
    if (finder.isAtBoundary())
        return int(finder.position());
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? 0 : int(previous);
}

// The grapheme boundary after the character at `position`.
int boundaryAfter(const QString &text, int position)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(std::clamp(position, 0, int(text.size())));
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? int(text.size()) : int(next);
}

} // namespace

void RowTextSelection::clear()
{
    m_row = QPersistentModelIndex();
    m_text.clear();
    m_anchor = m_position = m_start = m_end = 0;
}

void RowTextSelection::begin(const QModelIndex &row, const QString &text, int anchor)
{
    m_row = row;
    m_text = text;
    m_anchor = m_position = std::clamp(anchor, 0, int(text.size()));
    // Nothing is selected until the pointer moves to another character.
    m_start = m_end = 0;
}

void RowTextSelection::extend(int position)
{
    m_position = std::clamp(position, 0, int(m_text.size()));
    update();
}

void RowTextSelection::update()
{
    if (m_text.isEmpty()) {
        m_start = m_end = 0;
        return;
    }
    // Both characters, the one the drag started on and the one under the
    // pointer, are part of the selection.
    const int first = std::min(m_anchor, m_position);
    const int last = std::min(std::max(m_anchor, m_position), int(m_text.size()) - 1);
    m_start = boundaryAtOrBefore(m_text, first);
    m_end = boundaryAfter(m_text, last);
}

void RowTextSelection::selectWord(const QModelIndex &row, const QString &text, int position)
{
    m_row = row;
    m_text = text;
    if (text.isEmpty()) {
        m_start = m_end = 0;
        return;
    }
    const int at = std::clamp(position, 0, int(text.size()) - 1);
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
    words.setPosition(at);
    int start = at;
    if (!words.isAtBoundary()) {
        const qsizetype previous = words.toPreviousBoundary();
        start = previous < 0 ? 0 : int(previous);
    }
    words.setPosition(at);
    const qsizetype next = words.toNextBoundary();
    m_start = start;
    m_end = next < 0 ? int(text.size()) : int(next);
    m_anchor = m_start;
    m_position = m_end;
}
