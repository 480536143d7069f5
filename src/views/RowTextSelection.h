#pragma once

#include <QPersistentModelIndex>
#include <QString>

// The part of one row's post text the reader has selected by dragging or
// double-clicking in the selected row. Positions are character indexes of the
// text; the range always covers whole graphemes, so an emoji or a letter with
// its marks is never cut in two when it is copied.
class RowTextSelection {
public:
    void clear();
    bool isEmpty() const { return m_start >= m_end; }
    const QPersistentModelIndex &row() const { return m_row; }
    bool isOnRow(const QModelIndex &index) const
    {
        return !isEmpty() && m_row.isValid() && m_row == index;
    }

    // A drag from the character at `anchor`; extend() follows the pointer.
    void begin(const QModelIndex &row, const QString &text, int anchor);
    void extend(int position);
    // The word (or run of spaces or punctuation) around `position`.
    void selectWord(const QModelIndex &row, const QString &text, int position);

    int start() const { return m_start; }
    int end() const { return m_end; }
    QString selectedText() const { return m_text.mid(m_start, m_end - m_start); }

private:
    void update();

    QPersistentModelIndex m_row;
    QString m_text;
    int m_anchor = 0;
    int m_position = 0;
    int m_start = 0;
    int m_end = 0;
};
