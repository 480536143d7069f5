#include "core/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace AppPaths {

QString supportFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Velto");
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/Velto");
}

QString diskCacheFolder()
{
    return cacheFolder() + QStringLiteral("/SDURLCache");
}

bool makePrivateFolder(const QString &folder)
{
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    for (QString at = path; !QFileInfo(at).isDir();) {
        missing.prepend(at);
        const QString above = QFileInfo(at).path();
        if (above == at)
            break;
        at = above;
    }
    for (const QString &level : std::as_const(missing)) {
        // Made with its mode, so it is never open to others for a moment.
        if (!QDir().mkdir(level, ownerOnly) && !QFileInfo(level).isDir())
            return false;
    }
    QFile::setPermissions(path, ownerOnly);
    return QFileInfo(path).isDir();
}

} // namespace AppPaths
