#pragma once

// A logout (SIGHUP), `kill` (SIGTERM) and Ctrl+C in a terminal (SIGINT) end
// the program the way Quit does: the event loop ends and everything that
// Quit saves is saved, whatever alert or dialog is open, also one of the
// start-up before the program's event loop runs. The handlers only write a
// byte; the quit itself runs on the main thread. Call once, after the
// application object exists.
namespace TerminationSignals {

void quitOnTerminationSignals();

// Runs the application's event loop; a signal that came before it ran (an
// alert of the start-up open) ends it at once.
int exec();

// The process holds the account's token in memory: no core file may take it
// to disk.
void disableCoreDumps();

} // namespace TerminationSignals
