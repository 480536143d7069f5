#include "support/CompletionWords.h"

#include "support/DataFiles.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

void CompletionWords::load(const QString &path)
{
    m_path = path;
    m_words = DataFiles::loadAutocompletions(path);
}

void CompletionWords::addNames(const QStringList &names)
{
    if (!m_words)
        return;
    for (const QString &name : names) {
        if (!name.isEmpty() && !m_words->contains(name))
            m_words->append(name);
    }
    m_needsSort = true;
}

QStringList CompletionWords::words() const
{
    sortIfNeeded();
    return m_words.value_or(QStringList());
}

void CompletionWords::sortIfNeeded() const
{
    if (!m_needsSort || !m_words)
        return;
    m_needsSort = false;
    // Under the plain C locale the collator only compares code points, which
    // puts "Émile" after "zed"; English rules are the better guess there.
    const QLocale locale
        = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(m_words->begin(), m_words->end(), collator);
}

void CompletionWords::setWords(const QStringList &words)
{
    if (m_words) {
        m_words = words;
        m_needsSort = false;
    }
}

bool CompletionWords::save() const
{
    if (!m_words || m_path.isEmpty())
        return false;
    sortIfNeeded();
    return DataFiles::saveAutocompletions(m_path, *m_words);
}
