#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace sandbox {

// A zip archive holding the given files uncompressed ("stored"), for the
// maker's download. Names are paths inside the archive.
QByteArray makeZip(const QList<QPair<QString, QByteArray>> &files);

quint32 crc32(const QByteArray &data);

} // namespace sandbox
