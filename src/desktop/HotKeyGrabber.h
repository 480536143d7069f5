#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

// What the desktop delivers when a registered hot key is pressed or released.
struct HotKeyEvent {
    static constexpr quint32 keyboardClass = 0x6B657962; // "keyb"
    static constexpr quint32 pressedKind = 5;
    static constexpr quint32 releasedKind = 6;
    static constexpr quint32 signature = 0x5054486B; // "PTHk"

    quint32 eventClass = keyboardClass;
    quint32 kind = pressedKind;
    // The hot key's identifier parameter; absent when it could not be read.
    bool hasHotKeyID = true;
    quint32 hotKeySignature = signature;
    quint32 hotKeyID = 0;
};

// The desktop's registry of system-wide key combinations, kept small so the
// hot-key centre can be tested with a stand-in.
class HotKeyGrabber {
public:
    virtual ~HotKeyGrabber() = default;

    // False on a desktop without global hot keys (no X11 session).
    virtual bool isAvailable() const = 0;
    // Registers the combination under `hotKeyID` and answers a non-zero
    // handle, or 0 when the desktop refuses (another program holds it).
    virtual quintptr grab(qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID) = 0;
    virtual void ungrab(quintptr handle) = 0;
    // Presses and releases of registered combinations go to `handler`.
    virtual void installHandler(std::function<int(const HotKeyEvent &)> handler) = 0;
    // Whether another program holds the combination; none when that cannot
    // be told.
    virtual std::optional<bool> isHeldElsewhere(qint32 keyCode, quint32 carbonModifiers) = 0;
};

// The X11 grabber on an X session, else one that refuses everything.
std::unique_ptr<HotKeyGrabber> makeDesktopHotKeyGrabber();
