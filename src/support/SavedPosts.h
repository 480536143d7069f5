#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The posts the user keeps locally, in "Saved.mdb". A missing file starts an
// empty list; a file that cannot be read leaves the list absent for the run,
// so nothing is shown from it and the file is never written over.
class SavedPosts {
public:
    // Reads the list from `path` (done once at start-up).
    void load(const QString &path);

    bool isAvailable() const { return m_posts.has_value(); }
    // Empty when the list is absent.
    QVariantList posts() const { return m_posts.value_or(QVariantList()); }
    qsizetype count() const { return m_posts ? m_posts->size() : 0; }
    const QString &path() const { return m_path; }

    // Adds a post at the end; nothing happens when the list is absent.
    void append(const QVariantMap &post);

    // Writes the list back; an absent list leaves its file alone. Answers
    // whether the file now holds the list.
    bool save() const;

private:
    QString m_path;
    std::optional<QVariantList> m_posts;
};
