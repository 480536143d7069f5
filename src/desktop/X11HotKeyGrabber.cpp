#include "desktop/X11HotKeyGrabber.h"

#include "desktop/ModifierFlags.h"
#include "desktop/VirtualKeyCodes.h"
#include "desktop/X11Session.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QDebug>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

// The lock modifiers a grab must not depend on: none, Caps Lock, Num Lock
// (Mod2 on every common keymap) and both.
constexpr quint16 lockVariants[]
    = { 0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 };
constexpr quint16 relevantModifiers
    = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr uint8_t badAccess = 10;

class KeyEventFilter : public QAbstractNativeEventFilter {
public:
    explicit KeyEventFilter(X11HotKeyGrabber *grabber)
        : m_grabber(grabber)
    {
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE)
            return false;
        const auto *key = static_cast<const xcb_key_press_event_t *>(message);
        if (key->event != X11Session::rootWindow())
            return false;
        m_grabber->deliver(kind == XCB_KEY_PRESS, key->detail, key->state);
        // The toolkit still sees the event, for its clock of user actions,
        // which lets the window come forward on the press.
        return false;
    }

private:
    X11HotKeyGrabber *m_grabber;
};

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber() = default;

X11HotKeyGrabber::~X11HotKeyGrabber()
{
    if (m_filter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
    const QList<quint32> ids = m_grabsByID.keys();
    for (quint32 id : ids)
        ungrab(id);
}

quint16 X11HotKeyGrabber::x11Modifiers(quint32 carbonModifiers)
{
    quint16 mask = 0;
    if (carbonModifiers & carbon::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (carbonModifiers & carbon::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & carbon::option)
        mask |= XCB_MOD_MASK_1;
    if (carbonModifiers & carbon::command)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

bool X11HotKeyGrabber::grabOnServer(const Grab &grab, bool *heldElsewhere)
{
    xcb_connection_t *connection = X11Session::connection();
    const uint32_t root = X11Session::rootWindow();
    if (!connection || root == 0)
        return false;
    xcb_void_cookie_t cookies[std::size(lockVariants)];
    for (size_t i = 0; i < std::size(lockVariants); ++i)
        cookies[i] = xcb_grab_key_checked(connection, 1, root, grab.second | lockVariants[i],
            grab.first, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
            if (error->error_code == badAccess && heldElsewhere)
                *heldElsewhere = true;
            ok = false;
            std::free(error);
        }
    }
    if (!ok)
        ungrabOnServer(grab);
    return ok;
}

void X11HotKeyGrabber::ungrabOnServer(const Grab &grab)
{
    xcb_connection_t *connection = X11Session::connection();
    const uint32_t root = X11Session::rootWindow();
    if (!connection || root == 0)
        return;
    for (quint16 variant : lockVariants)
        xcb_ungrab_key(connection, grab.first, root, grab.second | variant);
    xcb_flush(connection);
}

quintptr X11HotKeyGrabber::grab(
    qint32 keyCode, quint32 carbonModifiers, quint32 hotKeyID, const HotKeyAction &)
{
    const auto keycode = VirtualKeyCodes::x11Keycode(keyCode);
    if (!keycode || hotKeyID == 0)
        return 0;
    const Grab wanted(quint8(*keycode), x11Modifiers(carbonModifiers));
    const bool alreadyOurs
        = std::find(m_grabsByID.cbegin(), m_grabsByID.cend(), wanted) != m_grabsByID.cend();
    if (!alreadyOurs && !grabOnServer(wanted, nullptr)) {
        qInfo("global hot keys: the desktop refused a combination (another program holds it)");
        return 0;
    }
    m_grabsByID.insert(hotKeyID, wanted);
    return hotKeyID;
}

void X11HotKeyGrabber::ungrab(quintptr handle)
{
    const auto it = m_grabsByID.find(quint32(handle));
    if (it == m_grabsByID.end())
        return;
    const Grab grab = it.value();
    m_grabsByID.erase(it);
    const bool stillUsed
        = std::find(m_grabsByID.cbegin(), m_grabsByID.cend(), grab) != m_grabsByID.cend();
    if (!stillUsed)
        ungrabOnServer(grab);
}

void X11HotKeyGrabber::installHandler(std::function<int(const HotKeyEvent &)> handler)
{
    m_handler = std::move(handler);
    if (!m_filter && QCoreApplication::instance()) {
        m_filter = std::make_unique<KeyEventFilter>(this);
        QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
    }
}

std::optional<bool> X11HotKeyGrabber::isHeldElsewhere(qint32 keyCode, quint32 carbonModifiers)
{
    const auto keycode = VirtualKeyCodes::x11Keycode(keyCode);
    if (!keycode || !X11Session::available())
        return std::nullopt;
    const Grab probe(quint8(*keycode), x11Modifiers(carbonModifiers));
    // Grabbing again what we hold would replace our grab; releasing the probe
    // would then drop it.
    if (std::find(m_grabsByID.cbegin(), m_grabsByID.cend(), probe) != m_grabsByID.cend())
        return false;
    bool heldElsewhere = false;
    if (grabOnServer(probe, &heldElsewhere)) {
        ungrabOnServer(probe);
        return false;
    }
    return heldElsewhere ? std::optional<bool>(true) : std::nullopt;
}

void X11HotKeyGrabber::deliver(bool pressed, quint8 keycode, quint16 state)
{
    const Grab pressedGrab(keycode, quint16(state & relevantModifiers));
    // The action may register hot keys anew, which changes the table.
    QList<quint32> ids;
    for (auto it = m_grabsByID.cbegin(); it != m_grabsByID.cend(); ++it)
        if (it.value() == pressedGrab)
            ids.append(it.key());
    for (quint32 id : ids) {
        if (!m_handler)
            break;
        HotKeyEvent event;
        event.kind = pressed ? HotKeyEvent::pressedKind : HotKeyEvent::releasedKind;
        event.hotKeyID = id;
        m_handler(event);
    }
}
