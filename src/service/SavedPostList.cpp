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

qsizetype SavedPostList::indexOf(const PostRecord &record) const
{
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        if (SavedPostArchive::sameRecord(m_records.at(i), record))
            return i;
    }
    return -1;
}

qsizetype SavedPostList::fileEntryOf(qsizetype index) const
{
    // The file's entries are the records' own, in the same order, unless one
    // could not be read: then it is found by its post.
    const QVariantList entries = m_file.posts();
    if (entries.size() == m_records.size())
        return index;
    for (qsizetype e = 0; e < entries.size(); ++e) {
        const auto read = SavedPostArchive::fromArchive(entries.at(e).toMap(), 0);
        if (read && read->post == m_records.at(index).post)
            return e;
    }
    return -1;
}

bool SavedPostList::contains(const PostRecord &record) const
{
    return indexOf(record) >= 0;
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
    const qsizetype i = indexOf(record);
    if (i < 0)
        return false;
    const qsizetype entry = fileEntryOf(i);
    m_records.removeAt(i);
    m_file.removeAt(entry);
    return true;
}

bool SavedPostList::replace(const PostRecord &saved, const PostRecord &changed)
{
    const qsizetype i = indexOf(saved);
    if (i < 0)
        return false;
    const qsizetype entry = fileEntryOf(i);
    m_records[i] = changed;
    m_file.replaceAt(entry, SavedPostArchive::toArchive(changed));
    return true;
}
