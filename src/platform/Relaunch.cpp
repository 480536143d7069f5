#include "platform/Relaunch.h"

#include <QCoreApplication>
#include <QProcess>

namespace Relaunch {

namespace {

RestartHandler &restartHandler()
{
    static RestartHandler handler;
    return handler;
}

} // namespace

QStringList shellArguments(const QString &programPath)
{
    QString quoted = programPath;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return { QStringLiteral("-c"), QStringLiteral("sleep 1 ; exec '%1'").arg(quoted) };
}

bool relaunch(const QString &programPath)
{
    return QProcess::startDetached(QStringLiteral("/bin/sh"), shellArguments(programPath));
}

void restartProgram()
{
    if (const RestartHandler &handler = restartHandler()) {
        handler();
        return;
    }
    if (qEnvironmentVariable("VELTO_RESTART_BY_PARENT") == u"1") {
        QCoreApplication::exit(restartExitCode);
        return;
    }
    relaunch(QCoreApplication::applicationFilePath());
    QCoreApplication::quit();
}

void setRestartHandler(RestartHandler handler)
{
    restartHandler() = std::move(handler);
}

} // namespace Relaunch
