#pragma once

#include "service/PostRecord.h"
#include "support/SavedPosts.h"

#include <QList>
#include <QString>

// The saved posts as records, in the order they were saved, kept in step
// with their file: each save and delete is written at once (off the window's
// thread), as well as at quit.
class SavedPostList {
public:
    // Reads the file; the records are styled with the font size given.
    void load(const QString &path, qint64 prefsFontSize);

    bool isAvailable() const { return m_file.isAvailable(); }
    qsizetype count() const { return m_records.size(); }
    const QList<PostRecord> &records() const { return m_records; }
    const QString &path() const { return m_file.path(); }
    // Says when a write of the file fails.
    const SavedPosts &file() const { return m_file; }

    bool contains(const PostRecord &record) const;
    // False when the list is absent (an unreadable file) and nothing was kept.
    bool append(const PostRecord &record);
    // Takes out the saved record equal to `record`; false when there is none.
    bool remove(const PostRecord &record);
    // The saved record equal to `saved` becomes `changed` (a star given in
    // the saved view belongs to the saved post); false when there is none.
    bool replace(const PostRecord &saved, const PostRecord &changed);

    // Writes the list now (at quit); false when it could not be written or
    // is absent.
    bool save() { return m_file.save(); }
    void waitForWrites() { m_file.waitForWrites(); }

private:
    qsizetype indexOf(const PostRecord &record) const;
    // The file's entry of the record at `index`; -1 when it has none.
    qsizetype fileEntryOf(qsizetype index) const;

    SavedPosts m_file;
    QList<PostRecord> m_records;
};
