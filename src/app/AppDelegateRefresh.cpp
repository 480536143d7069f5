// When the shown stream refreshes by itself: the periodic timer, the idle
// poll while the window is in front, and sleep and wake.
#include "app/AppDelegate.h"

#include "app/Preferences.h"
#include "app/RefreshRules.h"

#include <QDebug>

quint64 AppDelegate::refreshInterval() const
{
    return refreshIntervalSeconds(prefs().value(prefs::prefsRefreshInterval));
}

void AppDelegate::setRefreshTimer()
{
    replaceTimer(m_currentRefreshTimer, static_cast<int>(refreshInterval() * 1000),
                 &AppDelegate::refreshCurrentStream);
}

void AppDelegate::refreshCurrentStream()
{
    resetIdleTimer();
    // While the window is in front the idle poll decides.
    if (mainWindowIsKey())
        return;
    doTheRefreshVoid();
    setRefreshTimer();
}

void AppDelegate::resetIdleTimer()
{
    replaceTimer(m_timer, 1000, &AppDelegate::printIdleTime);
}

void AppDelegate::printIdleTime()
{
    if (!m_secondsIdle)
        return;
    const std::optional<quint64> seconds = m_secondsIdle();
    if (!seconds)
        return;
    if (shouldRefreshWhileIdle(*seconds, refreshInterval()) && mainWindowIsKey()) {
        doTheRefreshVoid();
        resetIdleTimer();
    }
}

void AppDelegate::sleepNotification()
{
    qInfo("sleepNotification");
    replaceTimer(m_currentRefreshTimer, 0, nullptr);
    replaceTimer(m_notificationTimer, 0, nullptr);
}

void AppDelegate::wakeNotification()
{
    qInfo("wakeNotification");
    setRefreshTimer();
    setNotificationTimer();
}

void AppDelegate::refreshByPull()
{
    doTheRefreshVoid();
}
