#include "support/SavedPosts.h"

#include "support/DataFiles.h"
#include "support/cache/SerialWorkQueue.h"

#include <QDebug>

SavedPosts::SavedPosts()
    : m_writer(std::make_unique<SerialWorkQueue>())
{
}

SavedPosts::~SavedPosts()
{
    // Accepted writes finish before the list goes.
    m_writer.reset();
}

void SavedPosts::load(const QString &path)
{
    m_path = path;
    m_posts = DataFiles::loadSavedPosts(path);
    if (m_posts && m_posts->isEmpty())
        m_posts->reserve(100);
}

void SavedPosts::append(const QVariantMap &post)
{
    if (!m_posts)
        return;
    m_posts->append(post);
    writeSoon();
}

void SavedPosts::removeAt(qsizetype index)
{
    if (!m_posts || index < 0 || index >= m_posts->size())
        return;
    m_posts->removeAt(index);
    writeSoon();
}

void SavedPosts::replaceAt(qsizetype index, const QVariantMap &post)
{
    if (!m_posts || index < 0 || index >= m_posts->size())
        return;
    (*m_posts)[index] = post;
    writeSoon();
}

void SavedPosts::writeSoon()
{
    if (m_path.isEmpty())
        return;
    bool queued = false;
    {
        // Changes that come faster than the disk are written once, as the
        // latest list: the list is shared, not copied, until it changes.
        std::lock_guard lock(m_pendingLock);
        queued = m_pending.has_value();
        m_pending = *m_posts;
    }
    if (queued)
        return;
    m_writer->enqueue([this] {
        QVariantList posts;
        {
            std::lock_guard lock(m_pendingLock);
            posts = std::move(*m_pending);
            m_pending.reset();
        }
        if (!DataFiles::saveSavedPosts(m_path, posts)) {
            qWarning().noquote() << "Cannot write" << m_path;
            Q_EMIT writeFailed();
        }
    });
}

void SavedPosts::waitForWrites()
{
    m_writer->waitUntilIdle();
}

bool SavedPosts::save()
{
    waitForWrites();
    if (!m_posts || m_path.isEmpty())
        return false;
    if (DataFiles::saveSavedPosts(m_path, *m_posts))
        return true;
    Q_EMIT writeFailed();
    return false;
}
