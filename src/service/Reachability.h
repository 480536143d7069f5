#pragma once

#include <QUrl>

#include <chrono>
#include <functional>

class QObject;

// How long the probe may take before it answers NO.
inline constexpr std::chrono::milliseconds reachabilityProbeTimeout { 5000 };

// The reachability probe run before each refresh: a GET of the configured
// probe address (OutsideAddresses::current().probeUrl), never answered from
// the cache and never stored in it. It answers YES when any body data came
// back, whatever the status, also when the connection broke or the time ran
// out after it; NO when no body data came at all.
//
// The probe used to be a synchronous call that held the window for up to
// five seconds; here it runs asynchronously and calls `answer` on the main
// thread with the same result after at most the same time, so the window
// keeps painting. Callers go on with what followed the call inside `answer`.
// When `context` is destroyed first, the probe is aborted and `answer` is not
// called.
void hasInternet(QObject *context, std::function<void(bool)> answer);

// The same probe of any address with any time-out (the tests use short ones).
void probeReachability(const QUrl &url, std::chrono::milliseconds timeout, QObject *context,
    std::function<void(bool)> answer);
