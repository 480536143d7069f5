#include "platform/LauncherBadge.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace LauncherBadge {

void setCount(quint64 count)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal
        = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/velto"),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    signal << QStringLiteral("application://velto.desktop")
           << QVariantMap { { QStringLiteral("count"), qint64(count) },
                  { QStringLiteral("count-visible"), count > 0 } };
    bus.send(signal);
}

} // namespace LauncherBadge
