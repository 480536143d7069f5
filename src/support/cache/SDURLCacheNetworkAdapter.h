#pragma once

#include <QAbstractNetworkCache>
#include <QHash>
#include <QNetworkRequest>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;
class SDURLCache;
struct CachedURLResponse;

// Lets a QNetworkAccessManager use SDURLCache as its cache.
//
// The manager asks by URL only, but what the cache may do depends on the
// request: a cache-first request (PreferCache, AlwaysCache) takes whatever is
// stored, an ordinary one (PreferNetwork) only what HTTP still calls fresh, and
// one that ignores local data (AlwaysNetwork) must not store. The adapter finds
// the request among the manager's replies in flight (a reply is a child of its
// manager from its construction on); a URL it cannot match is treated as an
// ordinary request.
//
// Owned by the manager. Holds the cache weakly: once the cache is gone it
// answers like an empty cache that keeps nothing.
class SDURLCacheNetworkAdapter : public QAbstractNetworkCache {
    Q_OBJECT

public:
    SDURLCacheNetworkAdapter(SDURLCache *cache, QNetworkAccessManager *manager);
    ~SDURLCacheNetworkAdapter() override;

    QNetworkCacheMetaData metaData(const QUrl &url) override;
    void updateMetaData(const QNetworkCacheMetaData &metaData) override;
    QIODevice *data(const QUrl &url) override;
    bool remove(const QUrl &url) override;
    qint64 cacheSize() const override;
    QIODevice *prepare(const QNetworkCacheMetaData &metaData) override;
    void insert(QIODevice *device) override;

public Q_SLOTS:
    void clear() override;

private:
    struct Pending {
        QNetworkCacheMetaData metaData;
        QNetworkRequest request;
    };

    QNetworkReply *replyInFlightFor(const QUrl &url) const;
    QNetworkRequest requestFor(const QUrl &url) const;
    bool dropPendingFor(const QUrl &url);

    QPointer<SDURLCache> m_cache;
    QPointer<QNetworkAccessManager> m_manager;
    QHash<QIODevice *, Pending> m_pending;
};
