#include "platform/BusProbe.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QTimer>

namespace busprobe {

void ask(const QDBusConnection &bus, const QDBusMessage &question, int timeoutMs, QObject *context,
    std::function<void(bool answered)> answered)
{
    if (!bus.isConnected()) {
        QTimer::singleShot(0, context, [answered] { answered(true); });
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(question, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
        [answered](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusError::ErrorType error = call->error().type();
            answered(error != QDBusError::NoReply && error != QDBusError::Timeout
                && error != QDBusError::TimedOut && error != QDBusError::Disconnected);
        });
}

bool isOffered(const QDBusConnection &bus, const QString &name)
{
    return bus.isConnected() && bus.interface()
        && bus.interface()->isServiceRegistered(name).value();
}

QDBusMessage propertyQuestion(
    const QString &service, const QString &path, const QString &interface, const QString &name)
{
    QDBusMessage question = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << interface << name;
    return question;
}

} // namespace busprobe
