#include "support/cache/MemoryTier.h"

quint64 MemoryTier::usage() const
{
    std::lock_guard lock(m_mutex);
    return m_usage;
}

void MemoryTier::eraseLocked(Items::iterator item)
{
    m_usage -= item->cost;
    m_byURL.remove(item->url);
    m_items.erase(item);
}

void MemoryTier::store(const QString &url, const CachedURLResponse &response)
{
    const auto cost = static_cast<quint64>(response.cost());
    std::lock_guard lock(m_mutex);
    // The old response for this URL must not outlive its replacement, even
    // when the replacement is not kept.
    if (const auto old = m_byURL.constFind(url); old != m_byURL.cend())
        eraseLocked(old.value());
    if (response.storagePolicy == CacheStoragePolicy::NotAllowed || cost > m_capacity)
        return;
    while (!m_items.empty() && m_usage + cost > m_capacity)
        eraseLocked(std::prev(m_items.end()));
    m_items.push_front({ url, response, cost });
    m_byURL.insert(url, m_items.begin());
    m_usage += cost;
}

std::optional<CachedURLResponse> MemoryTier::lookup(const QString &url)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_byURL.constFind(url);
    if (found == m_byURL.cend())
        return std::nullopt;
    m_items.splice(m_items.begin(), m_items, found.value());
    return found.value()->response;
}

bool MemoryTier::contains(const QString &url) const
{
    std::lock_guard lock(m_mutex);
    return m_byURL.contains(url);
}

void MemoryTier::remove(const QString &url)
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_byURL.constFind(url); found != m_byURL.cend())
        eraseLocked(found.value());
}

void MemoryTier::clear()
{
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_byURL.clear();
    m_usage = 0;
}
