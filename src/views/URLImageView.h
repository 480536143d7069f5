#pragma once

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QWidget>

class QPainter;

// Fetches the one image a view currently wants. A newer loadRequest replaces
// the request in flight: the older one is cancelled, and should its answer
// still come in, it is neither shown nor put in the cache. An answer that is
// kept (status 200, or any answer of a non-HTTP scheme, with data that makes
// an image) is stored in the shared URL cache for the request as it was
// given, storage allowed, no user info.
class URLImageLoader : public QObject {
    Q_OBJECT
public:
    // Answers that take longer than this are given up.
    static constexpr int timeoutMs = 30'000;

    explicit URLImageLoader(QObject *parent = nullptr);
    ~URLImageLoader() override;

    // A request for `url` that takes cached data when there is any.
    static QNetworkRequest imageRequest(const QUrl &url);

    void loadRequest(const QNetworkRequest &request);
    // Forgets the request in flight; nothing it answers is shown.
    void cancel();

    QNetworkRequest request() const { return m_request; }
    bool isLoading() const { return m_reply != nullptr; }

    // Network::manager() unless set (tests).
    void setNetworkAccessManager(QNetworkAccessManager *manager) { m_manager = manager; }

Q_SIGNALS:
    // The answer to the current request, decoded.
    void imageLoaded(const QImage &image);
    // The current request failed: no answer, an error status, or data that
    // is no image.
    void loadFailed();

private:
    void finished(QNetworkReply *reply);

    QNetworkRequest m_request;
    QPointer<QNetworkReply> m_reply;
    QPointer<QNetworkAccessManager> m_manager;
};

// An image view that can load its image from a URL (loadRequest). It shows
// the image scaled to fit, centred; a failed load leaves it empty.
class URLImageView : public QWidget {
    Q_OBJECT
public:
    explicit URLImageView(QWidget *parent = nullptr);

    void loadRequest(const QNetworkRequest &request);
    // The request whose answer the view waits for or shows.
    QNetworkRequest request() const { return m_loader.request(); }
    bool isLoading() const { return m_loader.isLoading(); }

    QImage image() const { return m_image; }
    // Showing an image directly drops any load in flight.
    void setImage(const QImage &image);

    URLImageLoader &loader() { return m_loader; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void imageChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showLoadedImage(const QImage &image);

private:
    URLImageLoader m_loader;
    QImage m_image;
};

// The avatar of a user: the picture clipped to a rounded rectangle inset by
// 2 points, corners of 3 points, with a light grey 1-point border on the same
// shape. Without a picture the shape is filled with a quiet grey.
class AvatarImageView : public URLImageView {
    Q_OBJECT
public:
    using URLImageView::URLImageView;

    static constexpr qreal inset = 2;
    static constexpr qreal cornerRadius = 3;
    static QColor borderColor();
    static QColor placeholderColor();

    // The avatar in `frame` (the view's bounds; the picture goes 2 inside).
    static void paintAvatar(QPainter &painter, const QRectF &frame, const QImage &image);

    QSize sizeHint() const override { return QSize(52, 52); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
