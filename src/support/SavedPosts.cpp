#include "support/SavedPosts.h"

#include "support/DataFiles.h"

void SavedPosts::load(const QString &path)
{
    m_path = path;
    m_posts = DataFiles::loadSavedPosts(path);
    if (m_posts && m_posts->isEmpty())
        m_posts->reserve(100);
}

void SavedPosts::append(const QVariantMap &post)
{
    if (m_posts)
        m_posts->append(post);
}

bool SavedPosts::save() const
{
    if (!m_posts || m_path.isEmpty())
        return false;
    return DataFiles::saveSavedPosts(m_path, *m_posts);
}
