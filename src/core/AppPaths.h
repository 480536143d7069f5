#pragma once

#include <QString>

// Where Velto keeps its files (XDG folders honoured).
namespace AppPaths {

// $XDG_DATA_HOME/Velto: "Autocompletions.plist" and "Saved.mdb".
QString supportFolder();
// $XDG_CACHE_HOME/Velto: the disk cache lives in its "SDURLCache" folder.
QString cacheFolder();
QString diskCacheFolder();

// Makes `folder` and each missing folder above it open to the user alone
// (0700) whatever the umask, and makes an existing `folder` so too: the data
// and the cache hold the user's posts and pictures. Answers whether `folder`
// is now a folder.
bool makePrivateFolder(const QString &folder);

} // namespace AppPaths
