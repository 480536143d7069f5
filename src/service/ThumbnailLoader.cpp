#include "service/ThumbnailLoader.h"

#include "support/ImageFitting.h"

#include <QDebug>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

namespace {

// Failures kept before the list is started afresh; a long session meets
// many broken links, and an old one may work again.
constexpr qsizetype failuresKept = 2000;

// One worker, at low priority, decodes: on a machine of two cores the window
// keeps one to itself while a page of pictures comes in.
QThreadPool *decoders()
{
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(1);
        pool.setThreadPriority(QThread::LowPriority);
        return true;
    }();
    Q_UNUSED(once);
    return &pool;
}

} // namespace

ThumbnailLoader::ThumbnailLoader(QSize pixelSize, QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_pixelSize(pixelSize)
    , m_manager(manager)
    , m_images(memoryKilobytes)
{
}

ThumbnailLoader::~ThumbnailLoader()
{
    for (const QPointer<QNetworkReply> &reply : std::as_const(m_replies)) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }
}

ThumbnailLoader::State ThumbnailLoader::state(const QUrl &url) const
{
    if (m_images.contains(url))
        return State::Ready;
    if (m_loading.contains(url))
        return State::Loading;
    return m_failed.contains(url) ? State::Failed : State::Unknown;
}

QImage ThumbnailLoader::thumbnail(const QUrl &url)
{
    if (const QImage *image = m_images.object(url))
        return *image;
    if (m_failed.contains(url))
        return {};
    if (m_loading.contains(url)) {
        // Asked for again (still on screen): to the front of the line.
        if (m_waiting.removeOne(url))
            m_waiting.prepend(url);
        return {};
    }
    m_loading.insert(url);
    m_waiting.prepend(url);
    while (m_waiting.size() > waitingLimit)
        m_loading.remove(m_waiting.takeLast());
    // From the event loop: this is asked while the list paints.
    QMetaObject::invokeMethod(this, &ThumbnailLoader::startMore, Qt::QueuedConnection);
    return {};
}

void ThumbnailLoader::dropWaiting()
{
    for (const QUrl &url : std::as_const(m_waiting))
        m_loading.remove(url);
    m_waiting.clear();
}

void ThumbnailLoader::startMore()
{
    while (!m_waiting.isEmpty() && m_replies.size() < requestsInFlight)
        fetch(m_waiting.takeFirst());
}

void ThumbnailLoader::fetch(const QUrl &url)
{
    if (!m_manager) {
        finish(url, {});
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = m_manager->get(request);
    m_replies.append(reply);
    // The transfer time-out only notices a silent host; one that trickles
    // bytes would hold one of the six connections for as long as it likes.
    QTimer::singleShot(timeoutMs, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxBodyBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, url, reply] {
        reply->deleteLater();
        m_replies.removeAll(reply);
        fetched(url, reply);
        startMore();
    });
}

void ThumbnailLoader::fetched(const QUrl &url, QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        qInfo().noquote() << "No thumbnail of" << url.toDisplayString() << ":"
                          << (status ? QString::number(status) : reply->errorString());
        finish(url, {});
        return;
    }
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, url] {
        watcher->deleteLater();
        finish(url, watcher->result());
    });
    watcher->setFuture(
        QtConcurrent::run(decoders(), &ThumbnailLoader::decode, reply->readAll(), m_pixelSize));
}

void ThumbnailLoader::finish(const QUrl &url, const QImage &image)
{
    m_loading.remove(url);
    if (image.isNull()) {
        if (m_failed.size() >= failuresKept)
            m_failed.clear();
        m_failed.insert(url);
    } else {
        const int kilobytes = int(std::max<qsizetype>(1, image.sizeInBytes() / 1024));
        m_images.insert(url, new QImage(image), kilobytes);
    }
    Q_EMIT thumbnailChanged(url);
}

QImage ThumbnailLoader::decode(const QByteArray &body, QSize pixelSize)
{
    return decodedToFill(body, pixelSize, maxPixels);
}
