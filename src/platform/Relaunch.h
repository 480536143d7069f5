#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Starting the program again after it quits: a detached shell that waits a
// second, then runs the program.
namespace Relaunch {

// The shell's arguments: "-c", "sleep 1 ; exec '<path>'" (the path quoted
// for the shell).
QStringList shellArguments(const QString &programPath);
bool relaunch(const QString &programPath);

// The exit status that asks a supervising script to start the program again
// (VELTO_RESTART_BY_PARENT=1, which the demo sets: the script's sandbox and
// profile stay while the program restarts).
inline constexpr int restartExitCode = 75;

// Starts the shell for this program, then quits (or quits with
// restartExitCode under a supervising script). Tests put their own handler in
// place so that a restart can be seen without the program ending.
void restartProgram();
using RestartHandler = std::function<void()>;
// An empty handler puts the real restart back.
void setRestartHandler(RestartHandler handler);

} // namespace Relaunch
