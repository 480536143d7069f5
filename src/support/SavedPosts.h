#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

class SerialWorkQueue;

// The posts the user keeps locally, in "Saved.mdb", as archived entries. A
// missing file starts an empty list; a file that cannot be read leaves the
// list absent for the run, so nothing is shown from it and the file is never
// written over. Every change is written soon after on a worker thread (a
// crash loses nothing saved), each write replacing the file whole.
class SavedPosts : public QObject {
    Q_OBJECT
public:
    SavedPosts();
    ~SavedPosts() override;
    SavedPosts(const SavedPosts &) = delete;
    SavedPosts &operator=(const SavedPosts &) = delete;

    // Reads the list from `path` (done once at start-up).
    void load(const QString &path);

    bool isAvailable() const { return m_posts.has_value(); }
    // Empty when the list is absent.
    QVariantList posts() const { return m_posts.value_or(QVariantList()); }
    qsizetype count() const { return m_posts ? m_posts->size() : 0; }
    const QString &path() const { return m_path; }

    // Adds an entry at the end, or takes one out, and writes the list soon;
    // nothing happens when the list is absent.
    void append(const QVariantMap &post);
    void removeAt(qsizetype index);
    void replaceAt(qsizetype index, const QVariantMap &post);

    // Writes the list now, after the writes still on their way; an absent
    // list leaves its file alone. Answers whether the file now holds the list.
    bool save();
    // Waits for the writes on their way.
    void waitForWrites();

Q_SIGNALS:
    // A write of the list failed (a full disk, a file or folder that cannot
    // be written): what was saved since the last write is kept only in
    // memory. Sent from the writing thread.
    void writeFailed();

private:
    void writeSoon();

    QString m_path;
    std::optional<QVariantList> m_posts;
    std::unique_ptr<SerialWorkQueue> m_writer;
    std::mutex m_pendingLock;
    std::optional<QVariantList> m_pending;
};
