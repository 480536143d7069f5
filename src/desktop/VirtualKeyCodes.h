#pragma once

#include <QtGlobal>

#include <optional>

// Shortcuts are stored as virtual key codes: numbers for key positions on a
// keyboard, independent of the layout (0 is the key labelled A on a US
// keyboard, 49 the space bar, 122 F1). One table maps each of them to the
// Linux input code of the same key; X11 key codes are those plus 8.
namespace VirtualKeyCodes {

inline constexpr int x11KeycodeOffset = 8;

std::optional<int> linuxInputCode(int virtualKeyCode);
std::optional<int> fromLinuxInputCode(int linuxInputCode);

std::optional<int> x11Keycode(int virtualKeyCode);
std::optional<int> fromX11Keycode(int x11Keycode);

// The key that types `qtKey` on a US layout, for key events that carry no
// native key code (the offscreen platform, synthesised events).
std::optional<int> fromQtKey(int qtKey);

// Keys of the numeric keypad, whose names read "Pad" and the character.
bool isKeypadKey(int virtualKeyCode);

} // namespace VirtualKeyCodes
