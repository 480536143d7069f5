#pragma once

#include <functional>

// The short warning sound of the desktop, for a command that cannot be done
// (a conversation of a post that has none, a key the composer refuses). The
// program installs the toolkit's beep at start; tests install a counter.
namespace SystemBeep {

void beep();
// Nothing to do when `player` is empty.
void setPlayer(std::function<void()> player);

} // namespace SystemBeep
