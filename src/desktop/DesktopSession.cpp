#include "desktop/DesktopSession.h"

#include <QGuiApplication>

namespace DesktopSession {

Facts current()
{
    return { qGuiApp ? QGuiApplication::platformName() : QString(), qgetenv("XDG_SESSION_TYPE"),
        qgetenv("WAYLAND_DISPLAY") };
}

bool isWayland(const Facts &facts)
{
    return facts.platformName.startsWith(QLatin1String("wayland")) || facts.sessionType == "wayland"
        || !facts.waylandDisplay.isEmpty();
}

bool isWayland()
{
    return isWayland(current());
}

} // namespace DesktopSession
