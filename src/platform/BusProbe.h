#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

#include <functional>

class QObject;

// Asks a desktop service a question over D-Bus without waiting for it.
// Some of the toolkit's own uses of desktop services (the tray's watcher,
// network information) wait on the window's thread, for up to 25 s when
// the service is on the bus but hung; they are made once the same service
// has answered this question in time.
namespace busprobe {

// Sends `question` and calls `answered` once, later: true when the service
// replied within `timeoutMs`, or when nobody offers it (the bus said so, or
// there is no bus to ask), so that the toolkit's own call meets no hung
// service there; false when no reply came in time. Nothing is called once
// `context` is gone.
void ask(const QDBusConnection &bus, const QDBusMessage &question, int timeoutMs, QObject *context,
    std::function<void(bool answered)> answered);

// Whether somebody holds `name` on the bus (the bus itself answers this).
bool isOffered(const QDBusConnection &bus, const QString &name);

// A property read, the question the toolkit itself asks first.
QDBusMessage propertyQuestion(
    const QString &service, const QString &path, const QString &interface, const QString &name);

} // namespace busprobe
