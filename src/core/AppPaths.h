#pragma once

#include <QString>

// Where Velto keeps its files (XDG folders honoured).
namespace AppPaths {

// $XDG_DATA_HOME/Velto: "Autocompletions.plist" and "Saved.mdb".
QString supportFolder();
// $XDG_CACHE_HOME/Velto: the disk cache lives in its "SDURLCache" folder.
QString cacheFolder();
QString diskCacheFolder();

} // namespace AppPaths
