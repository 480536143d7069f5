#include "service/PostPageProcessor.h"

#include "service/AvatarImages.h"
#include "support/cache/SDURLCache.h"
#include "text/PostTextStyling.h"

#include <QFutureWatcher>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtConcurrent>

struct PostPageProcessor::Prepared {
    QList<PostRecord> records;
    QHash<QString, QImage> cachedAvatars;
    QStringList missingUrls;
};

namespace {

QNetworkRequest avatarRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    // The response is stored explicitly below, with the program's own rules.
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(PostPageProcessor::avatarTimeoutMs);
    return request;
}

} // namespace

PostPageProcessor::PostPageProcessor(
    SDURLCache *cache, QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_cache(cache)
    , m_manager(manager)
{
}

PostPageProcessor::~PostPageProcessor()
{
    cancel();
}

void PostPageProcessor::cancel()
{
    ++m_generation;
    ++m_avatarGeneration;
    m_running = false;
    for (const QPointer<QNetworkReply> &reply : std::as_const(m_replies)) {
        if (reply)
            reply->abort();
    }
    m_replies.clear();
    m_queue.clear();
    m_inFlight = 0;
    m_pending.clear();
}

void PostPageProcessor::dropPage()
{
    ++m_generation;
    m_running = false;
}

void PostPageProcessor::process(const QJsonValue &answer, qint64 fontSizePreference)
{
    ++m_generation;
    m_running = true;
    const quint64 generation = m_generation;
    SDURLCache *cache = m_cache;
    const QJsonArray posts = answer.toArray();
    const QHash<QString, QImage> recent = m_recentAvatars;

    auto work = [posts, fontSizePreference, cache, recent]() {
        Prepared page;
        page.records.reserve(posts.size());
        QSet<QString> seen;
        for (const QJsonValue &value : posts) {
            if (!value.isObject())
                continue;
            PostRecord record = PostRecord::fromJson(value.toObject());
            // Without an id a post can be neither selected nor acted on.
            if (record.id().isEmpty()) {
                qInfo("a post without an id is left out");
                continue;
            }
            record.attributedString
                = PostTextStyling::styledPostText(record.text(), fontSizePreference);
            const QString avatar = record.avatarUrl();
            page.records.append(std::move(record));
            if (avatar.isEmpty() || seen.contains(avatar))
                continue;
            seen.insert(avatar);
            if (const auto kept = recent.constFind(avatar); kept != recent.cend()) {
                page.cachedAvatars.insert(avatar, *kept);
                continue;
            }
            const QUrl url = AvatarImages::avatarUrl(avatar);
            if (!url.isValid())
                continue;
            if (cache) {
                const QNetworkRequest request = avatarRequest(url);
                auto hit = cache->cachedResponseForRequest(request);
                if (hit && hit->statusCode == 200 && !hit->body.isEmpty()) {
                    QImage image = AvatarImages::fittedAvatarFromUserInfo(hit->userInfo);
                    if (image.isNull()) {
                        image = AvatarImages::fittedAvatar(hit->body);
                        if (!image.isNull()) {
                            // Keep the fitted picture with the response for the next page.
                            hit->userInfo = AvatarImages::userInfoForFittedAvatar(image);
                            cache->storeCachedResponse(*hit, request);
                        }
                    }
                    if (!image.isNull()) {
                        page.cachedAvatars.insert(avatar, image);
                        continue;
                    }
                    // Stored before only pictures were: it is asked for again.
                    cache->removeCachedResponseForRequest(request);
                }
            }
            page.missingUrls.append(avatar);
        }
        return page;
    };

    auto *watcher = new QFutureWatcher<Prepared>(this);
    connect(watcher, &QFutureWatcher<Prepared>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        prepared(generation, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(work));
}

void PostPageProcessor::prepared(quint64 generation, const Prepared &page)
{
    if (generation != m_generation)
        return;
    m_running = false;
    QList<PostRecord> records = page.records;
    for (PostRecord &record : records)
        record.theAvatarImage = page.cachedAvatars.value(record.avatarUrl());
    for (auto it = page.cachedAvatars.cbegin(); it != page.cachedAvatars.cend(); ++it)
        keepRecent(it.key(), it.value());
    // The shown page's avatars before those of pages left behind.
    QStringList first;
    for (const QString &url : page.missingUrls) {
        if (m_pending.contains(url) && !m_queue.contains(url))
            continue; // on its way already
        m_queue.removeOne(url);
        first.append(url);
        m_pending.insert(url);
    }
    m_queue = first + m_queue;
    Q_EMIT finished(records);
    fetchMore();
}

void PostPageProcessor::fetchMore()
{
    // As many at a time as the manager runs per host: a request queued behind
    // the manager's limit would spend its time-out waiting for a connection,
    // and making two hundred replies in one go would hold up the event loop.
    while (!m_queue.isEmpty() && m_inFlight < maxRequestsInFlight)
        fetch(m_queue.takeFirst());
}

void PostPageProcessor::fetch(const QString &url)
{
    if (!m_manager) {
        avatarReady(m_avatarGeneration, url, {});
        return;
    }
    const QNetworkRequest request = avatarRequest(AvatarImages::avatarUrl(url));
    QNetworkReply *reply = m_manager->get(request);
    m_replies.append(reply);
    ++m_inFlight;
    // The transfer time-out only notices a silent host; one that trickles
    // bytes would hold a connection for as long as it likes.
    QTimer::singleShot(avatarTimeoutMs, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
    const quint64 avatarGeneration = m_avatarGeneration;
    connect(reply, &QNetworkReply::finished, this, [this, avatarGeneration, url, reply] {
        reply->deleteLater();
        m_replies.removeAll(reply);
        if (avatarGeneration != m_avatarGeneration)
            return;
        --m_inFlight;
        fetched(url, reply);
        fetchMore();
    });
}

void PostPageProcessor::fetched(const QString &url, QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body
        = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    if (body.isEmpty()) {
        avatarReady(m_avatarGeneration, url, {});
        return;
    }
    std::optional<CachedURLResponse> response;
    if (m_cache && status == 200)
        response = CachedURLResponse::fromReply(*reply, body);
    SDURLCache *cache = m_cache;
    const QNetworkRequest request = reply->request();
    auto work = [cache, response, request, body]() mutable {
        const QImage image = AvatarImages::fittedAvatar(body);
        // Only a picture is kept: a page of HTML or JSON under an avatar's
        // address would fill the cache and be decoded in vain each time.
        if (response && !image.isNull()) {
            // Stored with the fitted picture, which spares the next page the decoding.
            response->userInfo = AvatarImages::userInfoForFittedAvatar(image);
            cache->storeCachedResponse(*response, request);
        }
        return image;
    };
    auto *watcher = new QFutureWatcher<QImage>(this);
    const quint64 avatarGeneration = m_avatarGeneration;
    connect(
        watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, avatarGeneration, url] {
            watcher->deleteLater();
            avatarReady(avatarGeneration, url, watcher->result());
        });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void PostPageProcessor::avatarReady(
    quint64 avatarGeneration, const QString &url, const QImage &image)
{
    if (avatarGeneration != m_avatarGeneration || !m_pending.remove(url))
        return;
    if (!image.isNull())
        keepRecent(url, image);
    Q_EMIT avatarArrived(url, image);
    if (m_pending.isEmpty())
        Q_EMIT avatarsSettled();
}

void PostPageProcessor::keepRecent(const QString &url, const QImage &image)
{
    if (m_recentAvatars.contains(url))
        return;
    // Bounded the simple way: a full memory starts again, the disk cache
    // still holding every avatar.
    if (m_recentAvatars.size() >= recentAvatarsKept)
        m_recentAvatars.clear();
    m_recentAvatars.insert(url, image);
}
