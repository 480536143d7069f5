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
// there too; the others are fetched concurrently through the network manager
// with the cache-first policy, six at a time (the manager's connections
// per host) and a 3-second deadline each, stored in the cache,
// and decoded off the main thread. A post whose avatar cannot be had gets a
// record without one. `finished` comes once, on the main thread, with the
// records in the order of the answer (the list sorts them).
class PostPageProcessor : public QObject {
    Q_OBJECT
public:
    static constexpr int avatarTimeoutMs = 3000;
    static constexpr int maxRequestsInFlight = 6;

    PostPageProcessor(SDURLCache *cache, QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~PostPageProcessor() override;

    // Starts on `answer` (an array of post objects; anything else gives no
    // records). Anything still running for an earlier page is dropped.
    void process(const QJsonValue &answer, qint64 fontSizePreference);
    void cancel();
    void setCache(SDURLCache *cache) { m_cache = cache; }
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void finished(const QList<PostRecord> &records);

private:
    struct Prepared;
    void prepared(quint64 generation, const Prepared &page);
    void fetchMore(quint64 generation);
    void fetch(quint64 generation, const QString &url);
    void fetched(quint64 generation, const QString &url, QNetworkReply *reply);
    void avatarReady(quint64 generation, const QString &url, const QImage &image);
    void finishIfDone(quint64 generation);

    SDURLCache *m_cache;
    QPointer<QNetworkAccessManager> m_manager;
    quint64 m_generation = 0;
    bool m_running = false;
    QList<PostRecord> m_records;
    QHash<QString, QImage> m_avatars;
    QSet<QString> m_pending;
    QStringList m_queue;
    int m_inFlight = 0;
    QList<QPointer<QNetworkReply>> m_replies;
};
