#include "platform/Relaunch.h"

#include <QProcess>

namespace Relaunch {

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

} // namespace Relaunch
