#pragma once

#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QNetworkAccessManager>
#include <QNetworkReply>

// Finds out whether a clicked link is an image before anything is shown: it
// asks for the link and decides on the Content-Type of the answer, without
// waiting for its body and without blocking. An image is announced with
// imageLinkFound() (the text view opens its preview); anything else goes to
// the user's browser. A link that cannot be loaded shows the alert "Could not
// open link or load the resource." once. The busy cursor shows while a probe
// runs.
class LinkProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int timeoutMs = 10000;
    static constexpr int arrowDelayMs = 300;

    explicit LinkProbe(QNetworkAccessManager *manager = nullptr, QObject *parent = nullptr);
    ~LinkProbe() override;

    void setNetworkAccessManager(QNetworkAccessManager *manager) { m_manager = manager; }
    QNetworkAccessManager *networkAccessManager() const { return m_manager; }
    // Shorter transfer time-outs for tests.
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }

    // Starts a probe; one still running is dropped without a word.
    void probe(const QUrl &url);
    bool isProbing() const { return m_reply != nullptr; }
    // The link being probed (kept after the probe for the preview).
    QUrl url() const { return m_url; }
    // Whether a failure of the running probe is still to be reported.
    bool isBitchingAllowed() const { return m_bitchingAllowed; }

    // GET, revalidating what the cache holds, 10-second transfer time-out,
    // redirects followed.
    static QNetworkRequest createRequestWithURL(const QUrl &url, int timeout = timeoutMs);
    static bool isImageContentType(const QString &contentType);

Q_SIGNALS:
    void imageLinkFound(const QUrl &url);
    void openedInBrowser(const QUrl &url);
    void failed(const QUrl &url);

private:
    void onMetaDataChanged(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    void decide(const QString &contentType);
    void fail();
    void dropReply();
    void pushCursor();
    void restoreCursor();

    QPointer<QNetworkAccessManager> m_manager;
    QNetworkReply *m_reply = nullptr;
    QUrl m_url;
    bool m_bitchingAllowed = false;
    bool m_cursorPushed = false;
    int m_timeout = timeoutMs;
};
