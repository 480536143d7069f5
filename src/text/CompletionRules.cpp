#include "text/CompletionRules.h"

namespace CompletionRules {

namespace {

char32_t characterAt(const QString &text, int position)
{
    const QChar c = text.at(position);
    if (c.isHighSurrogate() && position + 1 < text.size() && text.at(position + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(position + 1));
    return c.unicode();
}

bool isSymbol(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
        return true;
    default:
        return false;
    }
}

bool isPunctuation(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
        return true;
    default:
        return false;
    }
}

} // namespace

bool caretAllowsCompletion(const QString &text, int position, int selectionLength)
{
    const qsizetype length = text.size();
    if (position < 0 || position > length || selectionLength != 0 || length == 0)
        return false;
    if (position == length)
        return true;
    const char32_t next = characterAt(text, position);
    return isSymbol(next) || QChar::isSpace(next) || isPunctuation(next);
}

Completion completionAt(const QStringList &words, const QString &text, int caret)
{
    Completion completion;
    if (caret < 0 || caret > text.size())
        return completion;
    int start = caret;
    while (start > 0 && !text.at(start - 1).isSpace())
        --start;
    if (start == caret || text.at(start) != u'@')
        return completion;
    completion.start = start + 1;
    completion.length = caret - completion.start;
    const QString typed = text.mid(completion.start, completion.length);
    for (const QString &word : words) {
        if (word.contains(typed, Qt::CaseInsensitive))
            completion.names.append(word);
    }
    return completion;
}

} // namespace CompletionRules
