#pragma once

#include <QString>
#include <QStringList>

// Starting the program again after it quits: a detached shell that waits a
// second, then runs the program.
namespace Relaunch {

// The shell's arguments: "-c", "sleep 1 ; exec '<path>'" (the path quoted
// for the shell).
QStringList shellArguments(const QString &programPath);
bool relaunch(const QString &programPath);

} // namespace Relaunch
