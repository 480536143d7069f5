#include "service/LinkShortener.h"

#include "core/OutsideAddresses.h"
#include "service/Network.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace {

// Far longer than any short link; a longer answer is a page, not a link.
constexpr qsizetype longestShortLink = 2048;

} // namespace

LinkShortener::LinkShortener(QObject *parent)
    : QObject(parent)
    , m_base(OutsideAddresses::current().shortenerBase)
{
}

QUrl LinkShortener::requestUrl(const QString &base, const QString &link)
{
    QString text = base;
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    text += QStringLiteral("/create.php?format=simple&url=") + link;
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    return url;
}

std::optional<QString> LinkShortener::shortLinkFromAnswer(int status, const QByteArray &body)
{
    if (status != 200 || body.size() > longestShortLink)
        return std::nullopt;
    const QString text = QString::fromUtf8(body).trimmed();
    if (!text.startsWith(QLatin1String("http://")) && !text.startsWith(QLatin1String("https://")))
        return std::nullopt;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return text;
}

void LinkShortener::shorten(const QString &link, QObject *context, Done done) const
{
    const QUrl url = requestUrl(m_base, link);
    if (url.isEmpty()) {
        // Not deferred: the caller learns at once that nothing will come.
        if (done)
            done(std::nullopt);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(m_timeout.count()));
    QNetworkAccessManager &manager = m_manager ? *m_manager : Network::manager();
    QNetworkReply *reply = manager.get(request);
    Network::abortWhenDestroyed(context, reply);

    // The transfer time-out only notices silence; a shortener that trickles
    // gets the same limit for the whole answer.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply] {
        qCInfo(lcService) << "link shortener: no answer in time";
        reply->abort();
    });
    deadline->start(m_timeout);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > longestShortLink)
            reply->abort();
    });

    const bool owned = context != nullptr;
    QPointer<QObject> owner(context);
    QObject::connect(reply, &QNetworkReply::finished, context ? context : reply,
        [reply, owned, owner, done = std::move(done)] {
            reply->deleteLater();
            if (owned && !owner)
                return;
            const int status = Network::isTransportFailure(reply->error())
                ? 0
                : reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray body
                = reply->isOpen() ? reply->read(longestShortLink + 1) : QByteArray();
            const auto shortLink = shortLinkFromAnswer(status, body);
            if (!shortLink)
                qCInfo(lcService).noquote() << "link shortener: no short link (status" << status
                                            << reply->errorString() << ")";
            if (done)
                done(shortLink);
        });
}
