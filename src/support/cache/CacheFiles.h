#pragma once

#include <QByteArray>
#include <QString>

// How the disk tier writes its files.
namespace CacheFiles {

// Writes `bytes` to a temporary file beside `path` ("<name>.XXXXXX"), then
// renames it over `path`: a kill leaves the old file or the new one, and a
// reader sees one of them whole. There is no fsync: a file that a power cut
// leaves empty or short reads as damaged, and the cache drops such an entry
// or, for the index, counts the folder again. On failure `error` says why.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// A temporary file an interrupted replaceFile() of an entry or of the index
// left behind.
bool isLeftOverTemporaryFile(const QString &fileName);

} // namespace CacheFiles
