#include "app/RefreshScheduler.h"

#include "app/RefreshRules.h"
#include "core/Preferences.h"

RefreshScheduler::RefreshScheduler(QObject *parent)
    : QObject(parent)
{
}

quint64 RefreshScheduler::refreshInterval() const
{
    return refreshIntervalSeconds(Preferences::standard().value(prefs::prefsRefreshInterval));
}

void RefreshScheduler::replaceTimer(
    QPointer<QTimer> &slot, int intervalMs, void (RefreshScheduler::*action)())
{
    if (slot) {
        slot->stop();
        slot->deleteLater();
        slot = nullptr;
    }
    if (intervalMs <= 0)
        return;
    auto *timer = new QTimer(this);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, action);
    timer->start();
    slot = timer;
}

void RefreshScheduler::setRefreshTimer()
{
    replaceTimer(m_currentRefreshTimer, static_cast<int>(refreshInterval() * 1000),
        &RefreshScheduler::refreshCurrentStream);
}

void RefreshScheduler::refreshCurrentStream()
{
    resetIdleTimer();
    // While the window is in front the idle poll decides.
    if (mainWindowIsKey())
        return;
    Q_EMIT refreshDue();
    setRefreshTimer();
}

void RefreshScheduler::resetIdleTimer()
{
    replaceTimer(m_timer, idlePollMs, &RefreshScheduler::printIdleTime);
}

void RefreshScheduler::printIdleTime()
{
    if (!m_secondsIdle)
        return;
    const std::optional<quint64> seconds = m_secondsIdle();
    if (!seconds)
        return;
    if (shouldRefreshWhileIdle(*seconds, refreshInterval()) && mainWindowIsKey()) {
        Q_EMIT refreshDue();
        resetIdleTimer();
    }
}

void RefreshScheduler::setNotificationTimer()
{
    replaceTimer(m_notificationTimer, mentionCheckMs, &RefreshScheduler::mentionCheckDue);
}

void RefreshScheduler::sleepNotification()
{
    qInfo("sleepNotification");
    replaceTimer(m_currentRefreshTimer, 0, nullptr);
    replaceTimer(m_notificationTimer, 0, nullptr);
}

void RefreshScheduler::wakeNotification()
{
    qInfo("wakeNotification");
    setRefreshTimer();
    setNotificationTimer();
}
