#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>

class ApiClient;
class MentionCounter;

// The check for new mentions of the signed-in user, every tick of the
// mention timer: the newest 200 since the last one seen. New ones raise the
// counter and are announced (mentionsArrived), each mention once: the newest
// id is stored before they are announced, ids at or below it never are, and
// a check still on its way does not start another.
class MentionCheck : public QObject {
    Q_OBJECT
public:
    MentionCheck(const ApiClient *api, MentionCounter *counter, QObject *parent = nullptr);

    void loadMentionsForNotifications();
    bool isChecking() const { return m_checking; }

    // Decimal ids of any length compared as numbers ("100" > "99").
    static int compareIds(const QString &a, const QString &b);

    // What a check does with an answer (the service's posts, newest first).
    void compareNotificationsWithArray(const QJsonArray &mentions);

Q_SIGNALS:
    // New mentions, newest first, after the counter and the stored id changed.
    void mentionsArrived(const QJsonArray &mentions);

private:
    const ApiClient *m_api;
    MentionCounter *m_counter;
    bool m_checking = false;
};
