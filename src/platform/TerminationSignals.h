#pragma once

// A logout (SIGHUP), `kill` (SIGTERM) and Ctrl+C in a terminal (SIGINT) end
// the program the way Quit does: the event loop ends and everything that
// Quit saves is saved. The handlers only write a byte; the quit itself runs
// on the main thread. Call once, after the application object exists.
namespace TerminationSignals {

void quitOnTerminationSignals();

// The process holds the account's token in memory: no core file may take it
// to disk.
void disableCoreDumps();

} // namespace TerminationSignals
