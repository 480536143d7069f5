#pragma once

#include "service/PostRecord.h"

#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;
class SDURLCache;

// Turns one page of the service's answer into post records: the post object,
// its styled text and its avatar fitted to 48 x 48.
//
// The window keeps painting while a page is processed: posts are styled on a
// worker thread; avatars already in the response cache are read and decoded
// there too. `finished` comes once per page, on the main thread, with the
// records in the order of the answer (the list sorts them), as soon as the
// text is styled: a page never waits for a picture. The avatars not in the
// cache are then fetched through the network manager with the cache-first
// policy, six at a time (the manager's connections per host) and a 3-second
// deadline each, decoded off the main thread, stored in the cache when they
// are pictures, and announced one by one with `avatarArrived`. A newer page's
// avatars go first; those of a page left behind are still fetched (the next
// page of the same stream usually shows them again).
class PostPageProcessor : public QObject {
    Q_OBJECT
public:
    static constexpr int avatarTimeoutMs = 3000;
    static constexpr int maxRequestsInFlight = 6;
    // Fitted avatars kept in memory (48 x 48, about 9 KB each), so a refresh
    // of the same posts decodes none again.
    static constexpr int recentAvatarsKept = 500;

    PostPageProcessor(SDURLCache *cache, QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~PostPageProcessor() override;

    // Starts on `answer` (an array of post objects; anything else gives no
    // records). A page still being styled is dropped; avatars being fetched
    // are not.
    void process(const QJsonValue &answer, qint64 fontSizePreference);
    // Drops the page and every avatar request.
    void cancel();
    // Drops the page being styled, if any; its avatars are still fetched.
    void dropPage();
    void setCache(SDURLCache *cache) { m_cache = cache; }
    bool isRunning() const { return m_running; }
    bool isFetchingAvatars() const { return !m_pending.isEmpty(); }

Q_SIGNALS:
    void finished(const QList<PostRecord> &records);
    // An avatar that was not in the cache when its page was shown; a null
    // image when it could not be had.
    void avatarArrived(const QString &avatarUrl, const QImage &image);
    // Nothing is being fetched any more.
    void avatarsSettled();

private:
    struct Prepared;
    void prepared(quint64 generation, const Prepared &page);
    void fetchMore();
    void fetch(const QString &url);
    void fetched(const QString &url, QNetworkReply *reply);
    void avatarReady(quint64 avatarGeneration, const QString &url, const QImage &image);
    void keepRecent(const QString &url, const QImage &image);

    SDURLCache *m_cache;
    QPointer<QNetworkAccessManager> m_manager;
    quint64 m_generation = 0;
    quint64 m_avatarGeneration = 0;
    bool m_running = false;
    QHash<QString, QImage> m_recentAvatars;
    // Avatars queued or on their way.
    QSet<QString> m_pending;
    QStringList m_queue;
    int m_inFlight = 0;
    QList<QPointer<QNetworkReply>> m_replies;
};
