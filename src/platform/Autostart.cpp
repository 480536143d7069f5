#include "platform/Autostart.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Exec lines quote arguments with double quotes and escape ", `, $ and \ inside.
QString quotedExec(const QString &path)
{
    QString escaped;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

namespace Autostart {

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/velto.desktop");
}

bool addLoginItem(const QString &programPath)
{
    const QString path = entryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "Cannot write the autostart entry" << path;
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Velto\n"
                                         "Exec=%1\n"
                                         "Icon=velto\n"
                                         "X-GNOME-Autostart-enabled=true\n"
                                         "Hidden=false\n")
                              .arg(quotedExec(programPath));
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace Autostart
