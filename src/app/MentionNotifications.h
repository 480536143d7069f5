#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QVariantMap>

class MainWindow;

// New mentions on the desktop: one notification each, titled "@username
// (Full Name)" with the post's text; many at once show a few and one that
// counts the rest. A click on one brings the window forward with the
// mentions and takes the notification (or all of them) away.
class MentionNotifications : public QObject {
    Q_OBJECT
public:
    // More than this many at once: the first ones and a summary.
    static constexpr int shownAtOnce = 5;

    explicit MentionNotifications(MainWindow *window, QObject *parent = nullptr);

    void announce(const QJsonArray &mentions);
    // The test notification of the menu.
    void sendNotification();
    static QString titleFor(const QJsonObject &mention);

Q_SIGNALS:
    // The user clicked a notification: the mentions are to be shown.
    void mentionsWanted();
    // The user chose Reply on a mention's notification.
    void replyWanted(const QVariantMap &mention);

private:
    void deliver(const QString &title, const QString &body, const QJsonObject &mention = {});
    void activated(uint id);
    void replyChosen(uint id);
    void bringWindowForward();

    MainWindow *m_window;
    QList<uint> m_delivered;
    QHash<uint, QJsonObject> m_mentionOf;
};
