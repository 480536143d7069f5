#pragma once

#include <QString>
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

// What a hot key does, for a desktop that lists the program's shortcuts in
// its own settings: a stable name and the words it shows.
struct HotKeyAction {
    QString id;
    QString description;
};

// The desktop's registry of system-wide key combinations, kept small so the
// hot-key centre can be tested with a stand-in.
class HotKeyGrabber {
public:
    virtual ~HotKeyGrabber() = default;

    // False on a desktop without global hot keys (no X11 session, or a
    // Wayland desktop that offers no global shortcuts to programs).
    virtual bool isAvailable() const = 0;
    // Why isAvailable() is false, in a sentence for the preferences.
    virtual QString whyUnavailable() const { return {}; }
    // Registers the combination under `hotKeyID` and answers a non-zero
    // handle, or 0 when the desktop refuses (another program holds it).
    virtual quintptr grab(
        qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID, const HotKeyAction &action)
        = 0;
    virtual void ungrab(quintptr handle) = 0;
    // Presses and releases of registered combinations go to `handler`.
    virtual void installHandler(std::function<int(const HotKeyEvent &)> handler) = 0;
    // Whether another program holds the combination; none when that cannot
    // be told.
    virtual std::optional<bool> isHeldElsewhere(qint32 keyCode, quint32 carbonModifiers) = 0;

    // Whether the desktop, not the program, decides which keys trigger a hot
    // key. The recorded combination is then only the program's wish, and a
    // hot key without one is registered all the same, for the user to give
    // it keys in the desktop's settings.
    virtual bool desktopChoosesKeys() const { return false; }
    // The keys the desktop reports for a registered hot key, in its own
    // words; empty when it reports none.
    virtual QString desktopTrigger(quintptr handle) const
    {
        Q_UNUSED(handle);
        return {};
    }
    // Whether the desktop can open its own settings of the program's
    // shortcuts, and opening them.
    virtual bool canConfigureOnDesktop() const { return false; }
    virtual void configureOnDesktop() { }
    // Called when availability or the desktop's triggers change.
    virtual void setChangeHandler(std::function<void()> handler) { Q_UNUSED(handler); }
};

// The one choice of backend: on a Wayland session (also when the toolkit runs
// through XWayland, whose grabs see only XWayland's windows) the desktop
// portal's global shortcuts; on X11 the X11 grabber; else one that refuses
// everything.
std::unique_ptr<HotKeyGrabber> makeDesktopHotKeyGrabber();
