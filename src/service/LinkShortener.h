#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// Asks the link shortener for a short link: a GET of "/create.php" with the
// query "format=simple&url=" and the link as it was pasted. The request runs
// in the background; the answer counts only when it is status 200 and one
// http or https link, so an error page, a refusal or silence never puts
// anything into the composer. No token travels with it.
class LinkShortener : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const std::optional<QString> &shortLink)>;

    // The shortener gets this long for the whole exchange.
    static constexpr std::chrono::milliseconds defaultTimeout { 30000 };

    // The base defaults to the configured outside address.
    explicit LinkShortener(QObject *parent = nullptr);

    void setBase(const QString &base) { m_base = base; }
    const QString &base() const { return m_base; }
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // Network::manager() unless set.
    void setNetworkManager(QNetworkAccessManager *manager) { m_manager = manager; }

    // The link goes into the query unescaped, as the shortener expects it;
    // an invalid URL when none can be formed.
    static QUrl requestUrl(const QString &base, const QString &link);
    // The short link in a reply body, or nothing.
    static std::optional<QString> shortLinkFromAnswer(int status, const QByteArray &body);

    // `done` runs once, on the main thread, unless `context` goes first.
    void shorten(const QString &link, QObject *context, Done done) const;

private:
    QString m_base;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    QNetworkAccessManager *m_manager = nullptr;
};
