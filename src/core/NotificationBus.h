#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

// Named notifications. Handlers run synchronously on post(), in the order
// they subscribed. What a notification is about (a hashtag, a user name, a
// file) travels with it as its argument.
class NotificationBus : public QObject {
    Q_OBJECT
public:
    static NotificationBus &defaultCenter();

    void post(const QString &name, const QVariant &argument = {});

    // The subscription ends when `context` is destroyed.
    QMetaObject::Connection subscribe(
        const QString &name, QObject *context, std::function<void()> handler);
    QMetaObject::Connection subscribeWithArgument(
        const QString &name, QObject *context, std::function<void(const QVariant &)> handler);

Q_SIGNALS:
    void posted(const QString &name, const QVariant &argument);
};
