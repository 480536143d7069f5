#include "support/cache/CacheFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace CacheFiles {

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (::rename(
            QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData())
        != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false; // the temporary file removes itself
    }
    file.setAutoRemove(false);
    return true;
}

bool isLeftOverTemporaryFile(const QString &fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(V2_[0-9a-f]{32}|cacheInfo\\.plist)\\.[A-Za-z0-9]{6}$"));
    return pattern.match(fileName).hasMatch();
}

} // namespace CacheFiles
