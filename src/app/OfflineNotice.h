#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

class NoticeBar;
class StreamLoader;

// Offline reading, as the window says it: while the main streams cannot be
// loaded the notice bar says so ("Offline: showing posts from 10:42. Unable
// to fetch stream.") with a Retry button, in place of an alert per attempt.
// Retries otherwise follow the refresh schedule, and come at once when the
// system says the network is back (where Qt has a backend that can tell;
// the network is watched from the first time the streams go offline).
class OfflineNotice : public QObject {
    Q_OBJECT
public:
    OfflineNotice(NoticeBar *bar, StreamLoader *streams, QObject *parent = nullptr);

    // "Offline: showing posts from 10:42. Unable to fetch stream."; the date
    // is given too when the posts are not from today.
    static QString text(const QString &message, const QDateTime &postsFrom,
        const QDateTime &now = QDateTime::currentDateTime());

private:
    void update();
    void retry();
    void watchNetwork();
    void loadNetworkBackend();

    static constexpr int networkManagerPatienceMs = 3000;

    QPointer<NoticeBar> m_bar;
    StreamLoader *m_streams;
    bool m_watching = false;
};
