#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Named notifications without payload. Handlers run synchronously on post(),
// in the order they subscribed. Data that a notification cannot carry travels
// through preference keys.
class NotificationBus : public QObject {
    Q_OBJECT
public:
    static NotificationBus &defaultCenter();

    void post(const QString &name);

    // The subscription ends when `context` is destroyed.
    QMetaObject::Connection subscribe(
        const QString &name, QObject *context, std::function<void()> handler);

Q_SIGNALS:
    void posted(const QString &name);
};
