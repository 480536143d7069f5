#pragma once

#include "desktop/HotKeyGrabber.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <memory>

class QAbstractNativeEventFilter;

// Global hot keys on X11: each combination is grabbed on the root window on
// the toolkit's connection, four times over, with and without Caps Lock and
// Num Lock, so that neither lock breaks it. Presses arrive through a native
// event filter. Two of our hot keys with one combination share one grab.
class X11HotKeyGrabber : public HotKeyGrabber {
public:
    X11HotKeyGrabber();
    ~X11HotKeyGrabber() override;

    bool isAvailable() const override { return true; }
    quintptr grab(qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID,
        const HotKeyAction &action) override;
    void ungrab(quintptr handle) override;
    void installHandler(std::function<int(const HotKeyEvent &)> handler) override;
    std::optional<bool> isHeldElsewhere(qint32 keyCode, quint32 carbonModifiers) override;

    // The X11 modifier mask of carbon flags (function has no X11 key).
    static quint16 x11Modifiers(quint32 carbonModifiers);
    // Called by the event filter with a key event on the root window.
    void deliver(bool pressed, quint8 keycode, quint16 state);

private:
    using Grab = QPair<quint8, quint16>; // X11 key code, modifiers
    bool grabOnServer(const Grab &grab, bool *heldElsewhere);
    void ungrabOnServer(const Grab &grab);

    QHash<quint32, Grab> m_grabsByID;
    std::function<int(const HotKeyEvent &)> m_handler;
    std::unique_ptr<QAbstractNativeEventFilter> m_filter;
};
