#include "service/Reachability.h"

#include "core/OutsideAddresses.h"
#include "service/Network.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

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

    // Any body data that came back counts, whatever the status, and also when
    // the connection broke or the time ran out after it: the host answered.
    // What arrives is counted and dropped, so a big page costs no memory.
    auto received = std::make_shared<qint64>(0);
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
        [reply, received] { *received += reply->readAll().size(); });

    QObject::connect(reply, &QNetworkReply::finished, context ? context : reply,
        [reply, deadline, owned, owner, received, answer = std::move(answer)] {
            deadline->stop();
            reply->deleteLater();
            if (owned && !owner)
                return;
            if (reply->isOpen())
                *received += reply->readAll().size();
            const bool reachable = *received > 0;
            if (!reachable && reply->error() != QNetworkReply::OperationCanceledError)
                qCInfo(lcService).noquote() << "reachability probe failed:" << reply->errorString();
            if (answer)
                answer(reachable);
        });
}
