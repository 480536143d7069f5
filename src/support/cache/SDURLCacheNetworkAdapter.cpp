#include "support/cache/SDURLCacheNetworkAdapter.h"

#include "support/cache/CacheKey.h"
#include "support/cache/CachedURLResponse.h"
#include "support/cache/ExpirationRules.h"
#include "support/cache/HttpDate.h"
#include "support/cache/SDURLCache.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace {

constexpr qint64 kOneYearSeconds = 365LL * 24 * 3600;

bool isCacheFirst(const QNetworkRequest &request)
{
    const int control = request
                            .attribute(QNetworkRequest::CacheLoadControlAttribute,
                                int(QNetworkRequest::PreferNetwork))
                            .toInt();
    return control == QNetworkRequest::PreferCache || control == QNetworkRequest::AlwaysCache;
}

// How long HTTP itself lets an ordinary request use the stored response. An
// invalid date leaves the decision to the manager's own heuristics.
QDateTime httpFreshUntil(const CachedURLResponse &response, const QDateTime &now)
{
    const QDateTime expired = now.addSecs(-1);
    QDateTime reference = now;
    if (const auto date = headerField(response.headerFields, u"Date")) {
        if (const auto parsed = HttpDate::parse(*date))
            reference = *parsed;
    }
    if (const auto cacheControl = headerField(response.headerFields, u"Cache-Control")) {
        const QString lowered = cacheControl->toLower();
        if (lowered.contains(u"no-cache") || lowered.contains(u"no-store")
            || lowered.contains(u"must-revalidate"))
            return expired;
        if (const auto maxAge = ExpirationRules::maxAgeSeconds(*cacheControl))
            return *maxAge > 0 ? reference.addSecs(std::min(*maxAge, 100 * kOneYearSeconds))
                               : expired;
    }
    if (const auto expires = headerField(response.headerFields, u"Expires"))
        return HttpDate::parse(*expires).value_or(expired);
    return {};
}

void removeField(HeaderFields &fields, QStringView name)
{
    for (auto it = fields.begin(); it != fields.end();) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            it = fields.erase(it);
        else
            ++it;
    }
}

} // namespace

SDURLCacheNetworkAdapter::SDURLCacheNetworkAdapter(
    SDURLCache *cache, QNetworkAccessManager *manager)
    : QAbstractNetworkCache(manager)
    , m_cache(cache)
    , m_manager(manager)
{
}

SDURLCacheNetworkAdapter::~SDURLCacheNetworkAdapter() = default;

QNetworkReply *SDURLCacheNetworkAdapter::replyInFlightFor(const QUrl &url) const
{
    if (!m_manager)
        return nullptr;
    const QUrl wanted = CacheKey::canonicalURL(url);
    const QObjectList &children = m_manager->children();
    // The newest reply first: while the manager asks, the reply being started
    // is the last child.
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *reply = qobject_cast<QNetworkReply *>(*it);
        if (!reply || reply->isFinished())
            continue;
        if (CacheKey::canonicalURL(reply->url()) == wanted
            || CacheKey::canonicalURL(reply->request().url()) == wanted)
            return reply;
    }
    return nullptr;
}

QNetworkRequest SDURLCacheNetworkAdapter::requestFor(const QUrl &url) const
{
    QNetworkRequest request(url);
    if (QNetworkReply *reply = replyInFlightFor(url)) {
        request = reply->request();
        request.setUrl(url);
    }
    return request;
}

QNetworkCacheMetaData SDURLCacheNetworkAdapter::metaData(const QUrl &url)
{
    if (!m_cache)
        return {};
    const auto response = m_cache->cachedResponseForRequest(QNetworkRequest(url));
    if (!response)
        return {};

    const bool cacheFirst = isCacheFirst(requestFor(url));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    HeaderFields headers = response->headerFields;
    // A cache-first request takes the stored answer as it is; the manager would
    // otherwise go to the network for a stored "no-cache" or "must-revalidate".
    if (cacheFirst)
        removeField(headers, u"Cache-Control");

    QNetworkCacheMetaData metaData;
    metaData.setUrl(url);
    metaData.setRawHeaders(rawFromHeaderFields(headers));
    metaData.setAttributes({ { QNetworkRequest::HttpStatusCodeAttribute, response->statusCode } });
    metaData.setSaveToDisk(true);
    if (const auto lastModified = headerField(headers, u"Last-Modified")) {
        if (const auto parsed = HttpDate::parse(*lastModified))
            metaData.setLastModified(*parsed);
    }
    // The manager answers from the cache only while this date lies ahead.
    metaData.setExpirationDate(
        cacheFirst ? now.addSecs(kOneYearSeconds) : httpFreshUntil(*response, now));
    return metaData;
}

void SDURLCacheNetworkAdapter::updateMetaData(const QNetworkCacheMetaData &metaData)
{
    // A 304 revalidated the stored body: keep it under the refreshed headers.
    if (!m_cache)
        return;
    const QNetworkRequest request = requestFor(metaData.url());
    auto response = m_cache->cachedResponseForRequest(QNetworkRequest(metaData.url()));
    if (!response)
        return;
    response->headerFields = headerFieldsFromRaw(metaData.rawHeaders());
    const int status
        = metaData.attributes().value(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status > 0)
        response->statusCode = status;
    m_cache->storeCachedResponse(*response, request);
}

QIODevice *SDURLCacheNetworkAdapter::data(const QUrl &url)
{
    if (!m_cache)
        return nullptr;
    const auto response = m_cache->cachedResponseForRequest(QNetworkRequest(url));
    if (!response)
        return nullptr;
    auto *buffer = new QBuffer;
    buffer->setData(response->body);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

bool SDURLCacheNetworkAdapter::dropPendingFor(const QUrl &url)
{
    const QUrl wanted = CacheKey::canonicalURL(url);
    bool dropped = false;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (CacheKey::canonicalURL(it->metaData.url()) == wanted) {
            QIODevice *device = it.key();
            it = m_pending.erase(it);
            device->close();
            delete device;
            dropped = true;
        } else {
            ++it;
        }
    }
    return dropped;
}

bool SDURLCacheNetworkAdapter::remove(const QUrl &url)
{
    const bool dropped = dropPendingFor(url);
    // The manager also calls this to tidy up after a GET it does not store:
    // one that failed (an error status, an abort, a time-out) or one whose
    // answer was refused above. That says nothing about the response stored
    // before, which stays; a write to the URL (POST, PUT, DELETE) or an
    // explicit call removes it.
    if (QNetworkReply *reply = replyInFlightFor(url)) {
        const auto operation = reply->operation();
        if (operation == QNetworkAccessManager::GetOperation
            || operation == QNetworkAccessManager::HeadOperation)
            return dropped;
    }
    if (!m_cache)
        return dropped;
    const bool had = m_cache->isCached(url);
    m_cache->removeCachedResponseForRequest(QNetworkRequest(url));
    return had || dropped;
}

qint64 SDURLCacheNetworkAdapter::cacheSize() const
{
    return m_cache ? static_cast<qint64>(m_cache->currentDiskUsage()) : 0;
}

QIODevice *SDURLCacheNetworkAdapter::prepare(const QNetworkCacheMetaData &metaData)
{
    // The manager offers every response, also those it marked "no-store".
    if (!m_cache || !metaData.saveToDisk() || !metaData.url().isValid())
        return nullptr;
    const QNetworkRequest request = requestFor(metaData.url());
    if (CacheKey::ignoresLocalData(request))
        return nullptr;
    auto *buffer = new QBuffer(this);
    buffer->open(QIODevice::WriteOnly);
    m_pending.insert(buffer, { metaData, request });
    return buffer;
}

void SDURLCacheNetworkAdapter::insert(QIODevice *device)
{
    const auto it = m_pending.find(device);
    if (it == m_pending.end())
        return;
    const Pending pending = it.value();
    m_pending.erase(it);

    auto *buffer = qobject_cast<QBuffer *>(device);
    if (m_cache && buffer) {
        CachedURLResponse response;
        response.url = pending.metaData.url();
        const QString scheme = response.url.scheme().toLower();
        response.isHTTP = scheme == u"http" || scheme == u"https";
        const int status
            = pending.metaData.attributes().value(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        response.statusCode = status > 0 ? status : 200;
        response.headerFields = headerFieldsFromRaw(pending.metaData.rawHeaders());
        response.mimeType = mimeTypeFromContentType(
            headerField(response.headerFields, u"Content-Type").value_or(QString()));
        response.body = buffer->data();
        m_cache->storeCachedResponse(response, pending.request);
    }
    delete device;
}

void SDURLCacheNetworkAdapter::clear()
{
    const QList<QIODevice *> devices = m_pending.keys();
    m_pending.clear();
    qDeleteAll(devices);
    if (m_cache)
        m_cache->removeAllCachedResponses();
}
