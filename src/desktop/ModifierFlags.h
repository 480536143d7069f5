#pragma once

#include <Qt>
#include <QtGlobal>

// The two numberings of modifier keys that shortcuts are stored in. Hot keys
// and their stored preferences keep the platform-neutral "carbon" numbers;
// the shortcut recorder works in "toolkit" numbers. On this desktop the keys
// are: command = Super, option = Alt, control = Ctrl, shift = Shift; the
// function flag has no key of its own and only appears when required.
namespace carbon {
inline constexpr quint32 command = 0x100;
inline constexpr quint32 shift = 0x200;
inline constexpr quint32 option = 0x800;
inline constexpr quint32 control = 0x1000;
inline constexpr quint32 function = 0x800000;
} // namespace carbon

namespace toolkit {
inline constexpr quint32 command = 0x100000;
inline constexpr quint32 option = 0x80000;
inline constexpr quint32 control = 0x40000;
inline constexpr quint32 shift = 0x20000;
inline constexpr quint32 function = 0x800000;
// The four modifier keys plus function.
inline constexpr quint32 allModifiers = command | option | control | shift | function;
} // namespace toolkit

// Both conversions map the five pairs and drop every other bit.
quint32 CarbonToToolkitFlags(quint32 carbonFlags);
quint32 ToolkitToCarbonFlags(quint32 toolkitFlags);

// The toolkit flags of the keys Qt reports held.
quint32 toolkitFlagsFromQt(Qt::KeyboardModifiers modifiers);
// The carbon flags of a Qt shortcut's modifiers.
quint32 carbonFlagsFromQt(Qt::KeyboardModifiers modifiers);
