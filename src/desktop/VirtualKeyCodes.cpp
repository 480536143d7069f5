#include "desktop/VirtualKeyCodes.h"

#include <Qt>

#include <algorithm>
#include <iterator>

namespace {

struct KeyRow {
    int virtualCode;
    int linuxCode;
    int qtKey; // 0 where a US layout types nothing of its own
};

// Virtual key code, Linux input code (linux/input-event-codes.h), Qt key.
constexpr KeyRow keys[] = {
    { 0, 30, Qt::Key_A },
    { 1, 31, Qt::Key_S },
    { 2, 32, Qt::Key_D },
    { 3, 33, Qt::Key_F },
    { 4, 35, Qt::Key_H },
    { 5, 34, Qt::Key_G },
    { 6, 44, Qt::Key_Z },
    { 7, 45, Qt::Key_X },
    { 8, 46, Qt::Key_C },
    { 9, 47, Qt::Key_V },
    { 10, 86, 0 },
    { 11, 48, Qt::Key_B },
    { 12, 16, Qt::Key_Q },
    { 13, 17, Qt::Key_W },
    { 14, 18, Qt::Key_E },
    { 15, 19, Qt::Key_R },
    { 16, 21, Qt::Key_Y },
    { 17, 20, Qt::Key_T },
    { 18, 2, Qt::Key_1 },
    { 19, 3, Qt::Key_2 },
    { 20, 4, Qt::Key_3 },
    { 21, 5, Qt::Key_4 },
    { 22, 7, Qt::Key_6 },
    { 23, 6, Qt::Key_5 },
    { 24, 13, Qt::Key_Equal },
    { 25, 10, Qt::Key_9 },
    { 26, 8, Qt::Key_7 },
    { 27, 12, Qt::Key_Minus },
    { 28, 9, Qt::Key_8 },
    { 29, 11, Qt::Key_0 },
    { 30, 27, Qt::Key_BracketRight },
    { 31, 24, Qt::Key_O },
    { 32, 22, Qt::Key_U },
    { 33, 26, Qt::Key_BracketLeft },
    { 34, 23, Qt::Key_I },
    { 35, 25, Qt::Key_P },
    { 36, 28, Qt::Key_Return },
    { 37, 38, Qt::Key_L },
    { 38, 36, Qt::Key_J },
    { 39, 40, Qt::Key_Apostrophe },
    { 40, 37, Qt::Key_K },
    { 41, 39, Qt::Key_Semicolon },
    { 42, 43, Qt::Key_Backslash },
    { 43, 51, Qt::Key_Comma },
    { 44, 53, Qt::Key_Slash },
    { 45, 49, Qt::Key_N },
    { 46, 50, Qt::Key_M },
    { 47, 52, Qt::Key_Period },
    { 48, 15, Qt::Key_Tab },
    { 49, 57, Qt::Key_Space },
    { 50, 41, Qt::Key_QuoteLeft },
    { 51, 14, Qt::Key_Backspace },
    { 53, 1, Qt::Key_Escape },
    // Modifier keys: never part of a shortcut, listed so events map back.
    { 55, 125, Qt::Key_Meta },
    { 56, 42, Qt::Key_Shift },
    { 57, 58, Qt::Key_CapsLock },
    { 58, 56, Qt::Key_Alt },
    { 59, 29, Qt::Key_Control },
    { 60, 54, 0 },
    { 61, 100, 0 },
    { 62, 97, 0 },
    { 54, 126, 0 },
    { 64, 187, Qt::Key_F17 },
    { 65, 83, 0 },
    { 67, 55, 0 },
    { 69, 78, 0 },
    // The keypad's Clear sits where PC keyboards have Num Lock.
    { 71, 69, Qt::Key_Clear },
    { 72, 115, Qt::Key_VolumeUp },
    { 73, 114, Qt::Key_VolumeDown },
    { 74, 113, Qt::Key_VolumeMute },
    { 75, 98, 0 },
    { 76, 96, Qt::Key_Enter },
    { 78, 74, 0 },
    { 79, 188, Qt::Key_F18 },
    { 80, 189, Qt::Key_F19 },
    { 81, 117, 0 },
    { 82, 82, 0 },
    { 83, 79, 0 },
    { 84, 80, 0 },
    { 85, 81, 0 },
    { 86, 75, 0 },
    { 87, 76, 0 },
    { 88, 77, 0 },
    { 89, 71, 0 },
    { 90, 190, Qt::Key_F20 },
    { 91, 72, 0 },
    { 92, 73, 0 },
    { 96, 63, Qt::Key_F5 },
    { 97, 64, Qt::Key_F6 },
    { 98, 65, Qt::Key_F7 },
    { 99, 61, Qt::Key_F3 },
    { 100, 66, Qt::Key_F8 },
    { 101, 67, Qt::Key_F9 },
    { 103, 87, Qt::Key_F11 },
    { 105, 183, Qt::Key_F13 },
    { 106, 186, Qt::Key_F16 },
    { 107, 184, Qt::Key_F14 },
    { 109, 68, Qt::Key_F10 },
    { 111, 88, Qt::Key_F12 },
    { 113, 185, Qt::Key_F15 },
    // Help sits where PC keyboards have Insert.
    { 114, 110, Qt::Key_Insert },
    { 115, 102, Qt::Key_Home },
    { 116, 104, Qt::Key_PageUp },
    { 117, 111, Qt::Key_Delete },
    { 118, 62, Qt::Key_F4 },
    { 119, 107, Qt::Key_End },
    { 120, 60, Qt::Key_F2 },
    { 121, 109, Qt::Key_PageDown },
    { 122, 59, Qt::Key_F1 },
    { 123, 105, Qt::Key_Left },
    { 124, 106, Qt::Key_Right },
    { 125, 108, Qt::Key_Down },
    { 126, 103, Qt::Key_Up },
};

constexpr int keypadCodes[] = { 65, 67, 69, 75, 78, 81, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };

template <typename Match> const KeyRow *find(Match match)
{
    const auto it = std::find_if(std::begin(keys), std::end(keys), match);
    return it == std::end(keys) ? nullptr : it;
}

} // namespace

namespace VirtualKeyCodes {

std::optional<int> linuxInputCode(int virtualKeyCode)
{
    if (const KeyRow *row = find([&](const KeyRow &r) { return r.virtualCode == virtualKeyCode; }))
        return row->linuxCode;
    return std::nullopt;
}

std::optional<int> fromLinuxInputCode(int linuxInputCode)
{
    if (const KeyRow *row = find([&](const KeyRow &r) { return r.linuxCode == linuxInputCode; }))
        return row->virtualCode;
    return std::nullopt;
}

std::optional<int> x11Keycode(int virtualKeyCode)
{
    if (auto code = linuxInputCode(virtualKeyCode))
        return *code + x11KeycodeOffset;
    return std::nullopt;
}

std::optional<int> fromX11Keycode(int x11Keycode)
{
    return fromLinuxInputCode(x11Keycode - x11KeycodeOffset);
}

std::optional<int> fromQtKey(int qtKey)
{
    if (qtKey == 0)
        return std::nullopt;
    if (qtKey == Qt::Key_Backtab)
        qtKey = Qt::Key_Tab;
    if (const KeyRow *row = find([&](const KeyRow &r) { return r.qtKey == qtKey; }))
        return row->virtualCode;
    return std::nullopt;
}

bool isKeypadKey(int virtualKeyCode)
{
    return std::find(std::begin(keypadCodes), std::end(keypadCodes), virtualKeyCode)
        != std::end(keypadCodes);
}

} // namespace VirtualKeyCodes
