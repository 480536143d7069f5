#pragma once

namespace sandbox {

// Makes SIGINT and SIGTERM end the event loop normally, so the state file
// gets its last write and sockets are closed.
void quitOnStopSignals();

} // namespace sandbox
