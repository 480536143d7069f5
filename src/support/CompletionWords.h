#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The user names offered while a mention is typed, kept in
// "Autocompletions.plist". A missing file starts the list with "velto"; a
// file that cannot be read leaves the list absent for the run: nothing is
// added to it and the file is never written over.
class CompletionWords {
public:
    // Reads the list from `path` (done once at start-up).
    void load(const QString &path);

    bool isAvailable() const { return m_words.has_value(); }
    // Empty when the list is absent.
    QStringList words() const;
    qsizetype size() const { return m_words ? m_words->size() : 0; }
    const QString &path() const { return m_path; }

    // Adds the names not yet in the list, then sorts it case-insensitively in
    // the user's language. Nothing happens when the list is absent. The sort
    // is done when the list is next read or written: the collator it needs
    // costs megabytes that a run without completion never has to carry.
    void addNames(const QStringList &names);
    // Replaces the whole list (when it is there).
    void setWords(const QStringList &words);

    // Writes the list back; an absent list leaves its file alone. Answers
    // whether the file now holds the list.
    bool save() const;

private:
    void sortIfNeeded() const;

    QString m_path;
    mutable std::optional<QStringList> m_words;
    mutable bool m_needsSort = false;
};
