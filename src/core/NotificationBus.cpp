#include "core/NotificationBus.h"

NotificationBus &NotificationBus::defaultCenter()
{
    static NotificationBus bus;
    return bus;
}

void NotificationBus::post(const QString &name)
{
    Q_EMIT posted(name);
}

QMetaObject::Connection NotificationBus::subscribe(
    const QString &name, QObject *context, std::function<void()> handler)
{
    return connect(this, &NotificationBus::posted, context,
        [name, handler = std::move(handler)](const QString &posted) {
            if (posted == name)
                handler();
        });
}
