#include "views/URLImageView.h"

#include "service/Network.h"
#include "support/ImageDecoding.h"
#include "support/ImageFitting.h"
#include "support/cache/SDURLCache.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPainterPath>

URLImageLoader::URLImageLoader(QObject *parent)
    : QObject(parent)
{
}

URLImageLoader::~URLImageLoader()
{
    cancel();
}

QNetworkRequest URLImageLoader::imageRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    request.setTransferTimeout(timeoutMs);
    return request;
}

void URLImageLoader::cancel()
{
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        // The reply is cut off first, so its abort reaches no handler here.
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void URLImageLoader::loadRequest(const QNetworkRequest &request)
{
    cancel();
    m_request = request;
    // Pictures come from the web only: an address the service sends must not
    // make the program read and show a file of this computer.
    const QString scheme = request.url().scheme().toLower();
    if (!request.url().isValid() || (scheme != u"http" && scheme != u"https")) {
        Q_EMIT loadFailed();
        return;
    }

    QNetworkRequest sent = request;
    // Only a kept answer goes into the cache, and only once: here, below.
    sent.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (sent.transferTimeout() == 0)
        sent.setTransferTimeout(timeoutMs);
    QNetworkAccessManager &manager = m_manager ? *m_manager : Network::manager();
    QNetworkReply *reply = manager.get(sent);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void URLImageLoader::finished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return; // replaced by a newer request: the answer is dropped
    m_reply = nullptr;

    const QByteArray data = reply->readAll();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Error pages are not pictures worth keeping, even when they decode.
    const bool ok
        = reply->error() == QNetworkReply::NoError && (!status.isValid() || status.toInt() == 200);
    const QImage image = ok ? decodedImage(data) : QImage();
    if (image.isNull()) {
        Q_EMIT loadFailed();
        return;
    }

    const bool fromCache = reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
    if (SDURLCache *cache = SDURLCache::sharedURLCache(); cache && !fromCache)
        cache->storeCachedResponse(CachedURLResponse::fromReply(*reply, data), m_request);
    Q_EMIT imageLoaded(image);
}

URLImageView::URLImageView(QWidget *parent)
    : QWidget(parent)
{
    connect(&m_loader, &URLImageLoader::imageLoaded, this, &URLImageView::showLoadedImage);
    connect(&m_loader, &URLImageLoader::loadFailed, this, [this] { showLoadedImage(QImage()); });
}

void URLImageView::loadRequest(const QNetworkRequest &request)
{
    m_loader.loadRequest(request);
}

void URLImageView::setImage(const QImage &image)
{
    m_loader.cancel();
    showLoadedImage(image);
}

void URLImageView::showLoadedImage(const QImage &image)
{
    m_image = image;
    update();
    Q_EMIT imageChanged();
}

QSize URLImageView::sizeHint() const
{
    return m_image.isNull() ? QSize(48, 48) : m_image.deviceIndependentSize().toSize();
}

void URLImageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    drawImageInRect(
        painter, m_image, rect(), QPainter::CompositionMode_SourceOver, 1.0, FitMethod::ScaleToFit);
}

QColor AvatarImageView::borderColor()
{
    return QColor(0xc8, 0xc8, 0xc8);
}

QColor AvatarImageView::placeholderColor()
{
    return QColor(0xe4, 0xe6, 0xe9);
}

void AvatarImageView::paintAvatar(QPainter &painter, const QRectF &frame, const QImage &image)
{
    const QRectF inner = frame.adjusted(inset, inset, -inset, -inset);
    if (inner.isEmpty())
        return;
    QPainterPath shape;
    shape.addRoundedRect(inner, cornerRadius, cornerRadius);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (image.isNull()) {
        painter.fillPath(shape, placeholderColor());
    } else {
        // Filled with the picture as a brush: the rounded edge is smoothed,
        // which a clip path would not be.
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        QImage fitted = imageToFitSize(image, inner.size().toSize(), FitMethod::CropCentred, ratio);
        if (fitted.isNull())
            fitted = image;
        // The brush is placed in pixels; the transform brings it to points.
        fitted.setDevicePixelRatio(1.0);
        QBrush brush(fitted);
        QTransform place = QTransform::fromTranslate(inner.left(), inner.top());
        if (ratio != 1.0)
            place.scale(1.0 / ratio, 1.0 / ratio);
        brush.setTransform(place);
        painter.fillPath(shape, brush);
    }
    QPen border(borderColor(), 1.0);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
}

void AvatarImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintAvatar(painter, rect(), image());
}
