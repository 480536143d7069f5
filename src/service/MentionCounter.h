#pragma once

#include <QObject>
#include <QString>

// How many mentions of the signed-in user arrived that the user has not
// seen yet, and the text the Mentions button shows for them.
class MentionCounter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // "" for none, the number up to 999, "..." from 1000 on.
    static QString counterText(quint64 count);

    quint64 internNotificationCount() const { return m_count; }
    const QString &numberOfNewNotifications() const { return m_text; }
    bool areNewNotificationsAvailable() const { return m_count > 0; }

    void setUnseenCount(quint64 count);
    // The mentions are on screen.
    void markSeen() { setUnseenCount(0); }

Q_SIGNALS:
    void countChanged(quint64 count);

private:
    quint64 m_count = 0;
    QString m_text;
};
