#pragma once

#include <QLoggingCategory>
#include <QNetworkReply>

class QNetworkAccessManager;
class QObject;

// Diagnostic lines of the service client (failed loads, the probe).
Q_DECLARE_LOGGING_CATEGORY(lcService)

namespace Network {

// The program's one network access manager. It lives on the main thread, is
// created on first use and is deleted with the application object; the disk
// cache installs itself on it at start-up (setCache), so every request made
// through it shares that cache. Call it from the main thread only.
QNetworkAccessManager &manager();

// Aborts `reply` when `owner` is destroyed, so a reply whose window or
// controller is gone neither runs its handler nor keeps the connection open.
// Connect the reply's handlers with `owner` as their context: they are cut
// off before the abort, so they never see it.
void abortWhenDestroyed(QObject *owner, QNetworkReply *reply);

// True when the exchange broke down before a whole response arrived
// (refused, dropped, timed out, aborted, a refused redirect, a proxy failure).
// Such a reply has no status worth judging, even when the headers of one had
// arrived. HTTP error statuses (404, 500...) are answers, not transport
// failures, and so is a response Qt could not follow (a 302 without Location).
bool isTransportFailure(QNetworkReply::NetworkError error);

} // namespace Network
