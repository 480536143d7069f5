#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

// When the shown stream refreshes without being asked: a periodic timer
// while the window is in the background, an idle poll while it is in front,
// and the mention check every 27 seconds. Sleep stops the periodic and the
// mention timers, wake starts them again. Each timer is dropped before it is
// replaced, so there is never more than one of a kind.
class RefreshScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int idlePollMs = 1000;
    static constexpr int mentionCheckMs = 27000;

    explicit RefreshScheduler(QObject *parent = nullptr);

    // The user's idle time in seconds; nullopt when the desktop cannot tell
    // (the idle refresh is then skipped).
    using SecondsIdle = std::function<std::optional<quint64>()>;
    void setSecondsIdle(SecondsIdle secondsIdle) { m_secondsIdle = std::move(secondsIdle); }
    // Whether the main window (or the user panel) is the active window.
    using KeyWindowTest = std::function<bool()>;
    void setMainWindowIsKey(KeyWindowTest test) { m_mainWindowIsKey = std::move(test); }
    bool mainWindowIsKey() const { return m_mainWindowIsKey && m_mainWindowIsKey(); }

    // The refresh period in seconds from the preferences.
    quint64 refreshInterval() const;

    void setRefreshTimer();
    void refreshCurrentStream();
    void resetIdleTimer();
    void printIdleTime();
    void setNotificationTimer();
    void sleepNotification();
    void wakeNotification();

    QTimer *currentRefreshTimer() const { return m_currentRefreshTimer; }
    QTimer *idlePollTimer() const { return m_timer; }
    QTimer *notificationTimer() const { return m_notificationTimer; }

Q_SIGNALS:
    // The shown stream should be refreshed now.
    void refreshDue();
    // Time to look for new mentions.
    void mentionCheckDue();

private:
    void replaceTimer(QPointer<QTimer> &slot, int intervalMs, void (RefreshScheduler::*action)());

    SecondsIdle m_secondsIdle;
    KeyWindowTest m_mainWindowIsKey;
    QPointer<QTimer> m_timer;
    QPointer<QTimer> m_currentRefreshTimer;
    QPointer<QTimer> m_notificationTimer;
};
