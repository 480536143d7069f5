#pragma once

#include <QCache>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The small pictures of the posts' picture links, as the list shows them.
//
// Asking for a thumbnail never waits: it answers the picture when it is in
// memory and otherwise starts loading it and answers a null image;
// `thumbnailChanged` says when it has arrived or failed. Requests go through
// the network manager and so through the program's HTTP cache (the disk
// cache keeps what the memory does not), with the avatars' limits: six at a
// time, three seconds each. The most recently asked-for picture is fetched
// first, so the rows on screen come before the ones scrolled past, and the
// waiting line is short. Decoding and scaling run on worker threads.
// Thumbnails are kept in memory up to a size cap; a picture that failed
// (no answer in time, an error, not a picture, too many pixels) is not
// asked for again.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int requestsInFlight = 6;
    static constexpr int timeoutMs = 3000;
    static constexpr int waitingLimit = 48;
    static constexpr qint64 maxBodyBytes = 16 * 1024 * 1024;
    // More pixels than a large camera's photo: not decoded (a small file can
    // claim a picture that needs gigabytes once decoded).
    static constexpr qint64 maxPixels = 60'000'000;
    static constexpr int memoryKilobytes = 24 * 1024;

    enum class State { Unknown, Loading, Ready, Failed };

    // Thumbnails are made `pixelSize` large, cropped to fill it.
    ThumbnailLoader(QSize pixelSize, QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    QImage thumbnail(const QUrl &url);
    State state(const QUrl &url) const;
    QSize pixelSize() const { return m_pixelSize; }
    // Forgets the pictures still waiting for a connection (the ones the
    // reader no longer wants, or no longer allows).
    void dropWaiting();

    // The body as a thumbnail, or a null image when it is not a picture or
    // claims too many pixels. Safe on any thread.
    static QImage decode(const QByteArray &body, QSize pixelSize);

Q_SIGNALS:
    void thumbnailChanged(const QUrl &url);

private:
    void startMore();
    void fetch(const QUrl &url);
    void fetched(const QUrl &url, QNetworkReply *reply);
    void finish(const QUrl &url, const QImage &image);

    QSize m_pixelSize;
    QPointer<QNetworkAccessManager> m_manager;
    QCache<QUrl, QImage> m_images;
    QSet<QUrl> m_loading; // waiting, fetching or decoding
    QSet<QUrl> m_failed;
    QList<QUrl> m_waiting; // the most recently asked for first
    QList<QPointer<QNetworkReply>> m_replies;
};
