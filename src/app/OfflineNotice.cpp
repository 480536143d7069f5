#include "app/OfflineNotice.h"

#include "platform/AlertPresenter.h"
#include "platform/BusProbe.h"
#include "service/StreamLoader.h"
#include "views/NoticeBar.h"

#include <QDebug>
#include <QNetworkInformation>

OfflineNotice::OfflineNotice(NoticeBar *bar, StreamLoader *streams, QObject *parent)
    : QObject(parent)
    , m_bar(bar)
    , m_streams(streams)
{
    connect(streams, &StreamLoader::offlineChanged, this, &OfflineNotice::update);
    connect(bar, &NoticeBar::statusActionClicked, this, &OfflineNotice::retry);
}

void OfflineNotice::watchNetwork()
{
    // Loaded only once the streams first go offline: the backends bring their
    // own libraries (GIO, a system bus connection) that a program that never
    // loses the service should not carry.
    if (m_watching)
        return;
    m_watching = true;
    // The toolkit's network manager backend reads its first state with a
    // call that waits on the window's thread; a network manager that is on
    // the bus but hung would hold the window for many seconds. So it is
    // asked first, without waiting.
    const QString manager = QStringLiteral("org.freedesktop.NetworkManager");
    busprobe::ask(QDBusConnection::systemBus(),
        busprobe::propertyQuestion(manager, QStringLiteral("/org/freedesktop/NetworkManager"),
            manager, QStringLiteral("State")),
        networkManagerPatienceMs, this, [this](bool answered) {
            if (answered)
                loadNetworkBackend();
            else
                qInfo("The network manager does not answer: offline streams are retried on the "
                      "refresh schedule only");
        });
}

void OfflineNotice::loadNetworkBackend()
{
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                if (reachability == QNetworkInformation::Reachability::Online
                    && m_streams->offline())
                    retry();
            });
    } else {
        qInfo("No network information backend: offline streams are retried on the refresh "
              "schedule only");
    }
}

QString OfflineNotice::text(
    const QString &message, const QDateTime &postsFrom, const QDateTime &now)
{
    const QString said = alerts::localized(message);
    if (!postsFrom.isValid())
        return alerts::localized(QStringLiteral("Offline. %1")).arg(said);
    const QDateTime local = postsFrom.toLocalTime();
    const QString when = local.date() == now.toLocalTime().date()
        ? local.toString(u"HH:mm")
        : local.toString(u"yyyy-MM-dd HH:mm");
    return alerts::localized(QStringLiteral("Offline: showing posts from %1. %2")).arg(when, said);
}

void OfflineNotice::update()
{
    if (!m_bar)
        return;
    if (const auto &offline = m_streams->offline()) {
        watchNetwork();
        m_bar->setStatus(text(offline->message, offline->postsFrom), QStringLiteral("Retry"));
    } else {
        m_bar->clearStatus();
    }
}

void OfflineNotice::retry()
{
    m_streams->reloadShownStream();
}
