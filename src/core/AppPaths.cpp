#include "core/AppPaths.h"

#include <QStandardPaths>

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

} // namespace AppPaths
