#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TerminationSignals {

namespace {

int g_pipe[2] = { -1, -1 };
bool g_quitAsked = false;

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void quitOnTerminationSignals()
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    auto *notifier
        = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(g_pipe[0], &byte, 1);
        qInfo("signal %d: quitting", int(byte));
        g_quitAsked = true;
        // quit() closes the windows and ends the running loop; it does
        // nothing before the application's loop runs. exit() ends every
        // loop that runs now, a modal alert's too, and makes those that
        // start before the application's loop return at once.
        QCoreApplication::quit();
        QCoreApplication::exit(0);
    });
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
}

int exec()
{
    if (g_quitAsked)
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}

void disableCoreDumps()
{
    const struct rlimit none {
        0, 0
    };
    if (::setrlimit(RLIMIT_CORE, &none) != 0)
        qWarning("core dumps could not be switched off");
}

} // namespace TerminationSignals
