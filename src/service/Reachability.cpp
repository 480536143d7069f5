#include "service/Reachability.h"

#include "core/OutsideAddresses.h"
#include "service/Network.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace {

// Any answer of the server counts, also a 404 page; an exchange that broke
// down (refused, dropped, aborted at the time-out) does not, even if a part
// of a body had arrived.
bool answeredWithData(QNetworkReply *reply, const QByteArray &body)
{
    return !Network::isTransportFailure(reply->error()) && !body.isEmpty();
}

} // namespace

void hasInternet(QObject *context, std::function<void(bool)> answer)
{
    probeReachability(QUrl(OutsideAddresses::current().probeUrl), reachabilityProbeTimeout, context,
        std::move(answer));
}

void probeReachability(const QUrl &url, std::chrono::milliseconds timeout, QObject *context,
    std::function<void(bool)> answer)
{
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply *reply = Network::manager().get(request);

    // The limit covers the whole exchange, redirects included, not just a
    // pause between bytes.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, url] {
        qCInfo(lcService).noquote()
            << "reachability probe of" << url.toDisplayString() << "timed out";
        reply->abort();
    });
    deadline->start(timeout);

    const bool owned = context != nullptr;
    QPointer<QObject> owner(context);
    Network::abortWhenDestroyed(context, reply);

    QObject::connect(reply, &QNetworkReply::finished, context ? context : reply,
        [reply, deadline, owned, owner, answer = std::move(answer)] {
            deadline->stop();
            reply->deleteLater();
            if (owned && !owner)
                return;
            const bool reachable
                = answeredWithData(reply, reply->isOpen() ? reply->readAll() : QByteArray());
            if (!reachable && reply->error() != QNetworkReply::OperationCanceledError)
                qCInfo(lcService).noquote() << "reachability probe failed:" << reply->errorString();
            if (answer)
                answer(reachable);
        });
}
