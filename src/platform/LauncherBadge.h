#pragma once

#include <QtGlobal>

// The count on the program's launcher icon, for the docks and panels that
// show one (the com.canonical.Unity.LauncherEntry signal on the session bus).
namespace LauncherBadge {

// 0 clears it.
void setCount(quint64 count);

} // namespace LauncherBadge
