#pragma once

#include <cstdint>

struct xcb_connection_t;

// The toolkit's own connection to the X server, when the program runs on one.
// Key grabs and keyboard maps go through it, so that their events arrive in
// the toolkit's event loop. On Wayland or the offscreen platform there is
// none, and the features that need it are skipped.
namespace X11Session {

xcb_connection_t *connection();
uint32_t rootWindow();
bool available();

} // namespace X11Session
