#include "core/NotificationBus.h"

NotificationBus &NotificationBus::defaultCenter()
{
    static NotificationBus bus;
    return bus;
}

void NotificationBus::post(const QString &name, const QVariant &argument)
{
    Q_EMIT posted(name, argument);
}

QMetaObject::Connection NotificationBus::subscribe(
    const QString &name, QObject *context, std::function<void()> handler)
{
    return subscribeWithArgument(
        name, context, [handler = std::move(handler)](const QVariant &) { handler(); });
}

QMetaObject::Connection NotificationBus::subscribeWithArgument(
    const QString &name, QObject *context, std::function<void(const QVariant &)> handler)
{
    return connect(this, &NotificationBus::posted, context,
        [name, handler = std::move(handler)](const QString &posted, const QVariant &argument) {
            if (posted == name)
                handler(argument);
        });
}
