#pragma once

#include "support/cache/CachedURLResponse.h"

#include <QHash>
#include <QString>

#include <list>
#include <mutex>
#include <optional>

// The in-memory tier: responses by canonical URL, least recently used leaving
// first once their total cost passes the capacity. Safe from any thread.
class MemoryTier {
public:
    explicit MemoryTier(quint64 capacity)
        : m_capacity(capacity)
    {
    }

    quint64 capacity() const { return m_capacity; }
    quint64 usage() const;

    // A response marked "not allowed" or larger than the whole tier is not kept.
    void store(const QString &url, const CachedURLResponse &response);
    std::optional<CachedURLResponse> lookup(const QString &url);
    bool contains(const QString &url) const;
    void remove(const QString &url);
    void clear();

private:
    struct Item {
        QString url;
        CachedURLResponse response;
        quint64 cost;
    };
    using Items = std::list<Item>; // most recently used first

    void eraseLocked(Items::iterator item);

    const quint64 m_capacity;
    mutable std::mutex m_mutex;
    Items m_items;
    QHash<QString, Items::iterator> m_byURL;
    quint64 m_usage = 0;
};
