#include "service/SavedPostList.h"

#include "service/SavedPostArchive.h"

#include <QDebug>

void SavedPostList::load(const QString &path, qint64 prefsFontSize)
{
    m_file.load(path);
    m_records.clear();
    const QVariantList entries = m_file.posts();
    m_records.reserve(entries.size());
    for (const QVariant &entry : entries) {
        // An entry that holds no post stays in the file but is not shown.
        if (auto record = SavedPostArchive::fromArchive(entry.toMap(), prefsFontSize))
            m_records.append(std::move(*record));
        else
            qInfo("a saved entry without a post is not shown");
    }
}

bool SavedPostList::contains(const PostRecord &record) const
{
    for (const PostRecord &saved : m_records) {
        if (SavedPostArchive::sameRecord(saved, record))
            return true;
    }
    return false;
}

bool SavedPostList::append(const PostRecord &record)
{
    if (!m_file.isAvailable())
        return false;
    m_records.append(record);
    m_file.append(SavedPostArchive::toArchive(record));
    return true;
}

bool SavedPostList::remove(const PostRecord &record)
{
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        if (SavedPostArchive::sameRecord(m_records.at(i), record)) {
            // The file's entries are the records' own, in the same order,
            // unless one could not be read: then it is found by its post.
            const QVariantList entries = m_file.posts();
            qsizetype entry = i;
            if (entries.size() != m_records.size()) {
                entry = -1;
                for (qsizetype e = 0; e < entries.size() && entry < 0; ++e) {
                    const auto read = SavedPostArchive::fromArchive(entries.at(e).toMap(), 0);
                    if (read && read->post == record.post)
                        entry = e;
                }
            }
            m_records.removeAt(i);
            m_file.removeAt(entry);
            return true;
        }
    }
    return false;
}
