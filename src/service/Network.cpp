#include "service/Network.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>

Q_LOGGING_CATEGORY(lcService, "velto.service", QtInfoMsg)

namespace Network {

QNetworkAccessManager &manager()
{
    static QPointer<QNetworkAccessManager> instance;
    Q_ASSERT_X(QCoreApplication::instance()
            && QThread::currentThread() == QCoreApplication::instance()->thread(),
        "Network::manager", "the network access manager belongs to the main thread");
    if (!instance) {
        // A child of the application object, so it goes before the event
        // dispatcher and the cache it owns is flushed with it.
        instance = new QNetworkAccessManager(QCoreApplication::instance());
        instance->setObjectName(QStringLiteral("VeltoNetwork"));
    }
    return *instance;
}

void abortWhenDestroyed(QObject *owner, QNetworkReply *reply)
{
    if (!owner || !reply)
        return;
    // The reply is the context: once it is gone, the connection goes too.
    QObject::connect(owner, &QObject::destroyed, reply, [owner, reply] {
        // Handlers with the owner as context must not see the abort; when the
        // owner is a widget, destroyed() comes before its QPointers are cleared.
        QObject::disconnect(reply, nullptr, owner, nullptr);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    });
}

bool isTransportFailure(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

} // namespace Network
