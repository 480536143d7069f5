// Selecting and copying text in the selected row of the list. The rows are
// painted, so the selection is kept here and drawn by the delegate.
#include "views/TimelineListView.h"

#include "text/LinkOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>

bool TimelineListView::pressSelectedRowText(
    const QModelIndex &index, QPoint point, const TimelineDelegate::Hit &hit)
{
    m_lastPressOnSelectedText = false;
    if (!index.isValid() || hit.part != Part::Text || selectedRow() != index.row())
        return false;
    m_lastPressOnSelectedText = true;
    clearTextSelection();
    TextPress press;
    press.row = index;
    press.point = point;
    press.character = m_delegate->nearestCharacterIndex(optionFor(index), index, point);
    if (hit.characterIndex >= 0)
        press.click = TextClick::actionsAt(
            TimelineDelegate::recordFor(index).attributedString, hit.characterIndex);
    m_textPress = press;
    return true;
}

bool TimelineListView::dragSelectedRowText(QPoint point)
{
    if (!m_textPress)
        return false;
    if (!m_textPress->row.isValid()) {
        m_textPress.reset();
        return false;
    }
    if (!m_textPress->dragging) {
        if ((point - m_textPress->point).manhattanLength() < QApplication::startDragDistance())
            return true;
        // A drag that starts on a mark selects instead of following it.
        m_textPress->dragging = true;
        m_textPress->click = {};
        m_textSelection.begin(m_textPress->row,
            TimelineDelegate::recordFor(m_textPress->row).attributedString.text(),
            m_textPress->character);
    }
    const QModelIndex row = m_textPress->row;
    m_textSelection.extend(m_delegate->nearestCharacterIndex(optionFor(row), row, point));
    showTextSelection();
    return true;
}

bool TimelineListView::releaseSelectedRowText()
{
    if (!m_textPress)
        return false;
    const TextPress press = *m_textPress;
    m_textPress.reset();
    if (!press.dragging)
        m_links->performPostTextClick(press.click);
    return true;
}

bool TimelineListView::selectWordInSelectedRow(const QModelIndex &index, QPoint point)
{
    if (!m_lastPressOnSelectedText || !index.isValid() || selectedRow() != index.row()
        || hitAt(index, point).part != Part::Text)
        return false;
    m_textPress.reset();
    const int character = m_delegate->nearestCharacterIndex(optionFor(index), index, point);
    m_textSelection.selectWord(
        index, TimelineDelegate::recordFor(index).attributedString.text(), character);
    showTextSelection();
    return true;
}

void TimelineListView::clearTextSelection()
{
    if (m_textSelection.isEmpty() && !m_textSelection.row().isValid())
        return;
    const QPersistentModelIndex row = m_textSelection.row();
    m_textSelection.clear();
    m_delegate->setTextSelection({}, 0, 0);
    if (row.isValid())
        update(row);
}

void TimelineListView::showTextSelection()
{
    m_delegate->setTextSelection(
        m_textSelection.row(), m_textSelection.start(), m_textSelection.end());
    if (m_textSelection.row().isValid())
        update(m_textSelection.row());
}

QString TimelineListView::selectedText() const
{
    const std::optional<int> row = selectedRow();
    if (!row || !m_textSelection.row().isValid() || m_textSelection.row().row() != *row)
        return {};
    return m_textSelection.selectedText();
}

void TimelineListView::copySelectedText()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}
