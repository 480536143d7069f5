// The one place that chooses, for this session, where global hot keys and the
// idle time come from.
#include "desktop/DBusIdleTimeSource.h"
#include "desktop/DesktopSession.h"
#include "desktop/HotKeyGrabber.h"
#include "desktop/IdleTime.h"
#include "desktop/PortalHotKeyGrabber.h"
#include "desktop/X11HotKeyGrabber.h"
#include "desktop/X11Session.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcIdle, "velto.idle")

// Used where there is no X11 session and no Wayland one: every hot key is
// refused.
class NoHotKeyGrabber : public HotKeyGrabber {
public:
    NoHotKeyGrabber()
    {
        qInfo("global hot keys: this session has no X11 display and no Wayland desktop; "
              "hot keys are off");
    }
    bool isAvailable() const override { return false; }
    QString whyUnavailable() const override
    {
        return QStringLiteral("Global hot keys need a desktop session. This one has neither an "
                              "X11 display nor a Wayland desktop, so Velto cannot register them "
                              "here.");
    }
    quintptr grab(qint32, quint32, quint32, const HotKeyAction &) override { return 0; }
    void ungrab(quintptr) override { }
    void installHandler(std::function<int(const HotKeyEvent &)>) override { }
    std::optional<bool> isHeldElsewhere(qint32, quint32) override { return std::nullopt; }
};

} // namespace

std::unique_ptr<HotKeyGrabber> makeDesktopHotKeyGrabber()
{
    if (DesktopSession::isWayland())
        return std::make_unique<PortalHotKeyGrabber>();
    if (X11Session::available())
        return std::make_unique<X11HotKeyGrabber>();
    return std::make_unique<NoHotKeyGrabber>();
}

std::unique_ptr<IdleTime> IdleTime::createForDesktop()
{
    try {
        // XWayland's screen saver counts only input to XWayland's windows.
        if (DesktopSession::isWayland())
            return std::make_unique<IdleTime>(DBusIdleTimeSource::open());
        return openX11();
    } catch (const IdleTimeError &error) {
        qCWarning(lcIdle).noquote()
            << "Idle refresh disabled:" << error.name() << error.reason().trimmed();
        return nullptr;
    }
}
