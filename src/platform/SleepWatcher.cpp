#include "platform/SleepWatcher.h"

#include <QDBusConnection>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSleep, "velto.sleep")

SleepWatcher::SleepWatcher(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        m_connected = bus.connect(QStringLiteral("org.freedesktop.login1"),
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
            this, SLOT(prepareForSleep(bool)));
    }
    if (!m_connected)
        qCInfo(lcSleep) << "No system bus with logind: timers are not paused around sleep";
}

void SleepWatcher::prepareForSleep(bool sleeping)
{
    if (sleeping)
        Q_EMIT willSleep();
    else
        Q_EMIT didWake();
}
