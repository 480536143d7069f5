#pragma once

#include <QString>

// Starting the program when the user logs in: an XDG autostart entry,
// "$XDG_CONFIG_HOME/autostart/velto.desktop".
namespace Autostart {

QString entryPath();
// Writes (or rewrites) the entry for the program at `programPath`.
bool addLoginItem(const QString &programPath);

} // namespace Autostart
