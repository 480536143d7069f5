#pragma once

#include <QString>
#include <QStringList>

// When the composer offers user names and which. The list opens a moment
// after the last edit or caret move, only at a plain caret (no selection)
// that stands where a word can end; it offers the names of the word list
// that contain what was typed after "@", in the list's order.
namespace CompletionRules {

// The pause after the last edit or caret move.
inline constexpr int delayMs = 350;

// True for a plain caret at the end of a non-empty text, or before a
// symbol, a white-space or line-break character, or a punctuation mark (by
// Unicode category, so "+", "." and "😀" qualify and a letter or digit does
// not). Positions are UTF-16 units; a character outside the basic plane is
// judged as the whole character.
bool caretAllowsCompletion(const QString &text, int position, int selectionLength);

// The mention being typed and the names that may complete it.
struct Completion {
    // The range a chosen name replaces: what follows the "@", up to the caret.
    int start = 0;
    int length = 0;
    // The candidates, in list order; empty when the word before the caret
    // does not begin with "@".
    QStringList names;
};

// The word before the caret runs from the last white space (a space, a tab
// or a line break) before it. When it begins with "@", every name of `words`
// that contains the rest of it, ignoring case, is a candidate; "@" alone
// offers the whole list.
Completion completionAt(const QStringList &words, const QString &text, int caret);

} // namespace CompletionRules
