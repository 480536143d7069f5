#pragma once

#include <QByteArray>
#include <QString>

// Which kind of graphical session the program runs in. On a Wayland session
// the X11 ways to global hot keys and idle time see only XWayland's own
// windows, so the desktop's D-Bus services are asked instead.
namespace DesktopSession {

struct Facts {
    QString platformName; // the toolkit's platform plugin
    QByteArray sessionType; // $XDG_SESSION_TYPE
    QByteArray waylandDisplay; // $WAYLAND_DISPLAY
};

// The facts of this process, read now.
Facts current();

// Wayland when the toolkit draws on Wayland, or when the session is a
// Wayland one and the toolkit runs through XWayland.
bool isWayland(const Facts &facts);
bool isWayland();

} // namespace DesktopSession
