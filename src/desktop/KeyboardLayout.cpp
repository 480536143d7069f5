#include "desktop/KeyboardLayout.h"

#include "desktop/X11Session.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QDebug>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace {

std::shared_ptr<const KeyboardLayout> &cachedCurrent()
{
    static std::shared_ptr<const KeyboardLayout> layout;
    return layout;
}

// Forgets the cached layout whenever the server announces another keymap or
// group: core MappingNotify, and the XKB new-keyboard, map and state events
// that the toolkit already asks for on its connection.
class LayoutChangeFilter : public QAbstractNativeEventFilter {
public:
    explicit LayoutChangeFilter(uint8_t xkbBaseEvent)
        : m_xkbBaseEvent(xkbBaseEvent)
    {
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_MAPPING_NOTIFY) {
            KeyboardLayout::invalidateCurrent();
        } else if (m_xkbBaseEvent != 0 && kind == m_xkbBaseEvent) {
            // The XKB event's own type is its second byte: 0 new keyboard,
            // 1 map, 2 state (a state change matters only for the group).
            const auto *bytes = reinterpret_cast<const uint8_t *>(event);
            const uint8_t xkbType = bytes[1];
            if (xkbType <= 2)
                KeyboardLayout::invalidateCurrent();
        }
        return false;
    }

private:
    uint8_t m_xkbBaseEvent;
};

void watchLayoutChanges(uint8_t xkbBaseEvent)
{
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    // Lives as long as the application's event loop.
    QCoreApplication::instance()->installNativeEventFilter(new LayoutChangeFilter(xkbBaseEvent));
}

// XKB must be set up on the connection before its keymap can be read.
bool setUpXkb(xcb_connection_t *connection)
{
    uint8_t baseEvent = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
            XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
            &baseEvent, nullptr)) {
        qInfo("keyboard layout: the X server has no XKB extension; key names follow a US layout");
        return false;
    }
    watchLayoutChanges(baseEvent);
    return true;
}

} // namespace

KeyboardLayout::KeyboardLayout(xkb_context *context, xkb_keymap *keymap, unsigned group)
    : m_context(context)
    , m_keymap(keymap)
    , m_group(group)
{
}

KeyboardLayout::~KeyboardLayout()
{
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

std::shared_ptr<const KeyboardLayout> KeyboardLayout::current()
{
    std::shared_ptr<const KeyboardLayout> &cached = cachedCurrent();
    if (cached)
        return cached;
    xcb_connection_t *connection = X11Session::connection();
    if (connection && setUpXkb(connection)) {
        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
        xkb_keymap *keymap = device >= 0 && context ? xkb_x11_keymap_new_from_device(
                                 context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS)
                                                    : nullptr;
        if (keymap) {
            unsigned group = 0;
            if (xkb_state *state = xkb_x11_state_new_from_device(keymap, connection, device)) {
                group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
                xkb_state_unref(state);
            }
            cached.reset(new KeyboardLayout(context, keymap, group));
            return cached;
        }
        xkb_context_unref(context);
    }
    cached = fromNames(QStringLiteral("us"));
    return cached;
}

std::shared_ptr<const KeyboardLayout> KeyboardLayout::fromNames(
    const QString &layout, const QString &variant)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return nullptr;
    // An unknown name is an answer here, not an error worth a log page.
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    const QByteArray layoutName = layout.toUtf8();
    const QByteArray variantName = variant.toUtf8();
    xkb_rule_names names {};
    names.layout = layoutName.constData();
    names.variant = variant.isEmpty() ? nullptr : variantName.constData();
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::shared_ptr<const KeyboardLayout>(new KeyboardLayout(context, keymap, 0));
}

void KeyboardLayout::invalidateCurrent()
{
    cachedCurrent().reset();
}

QString KeyboardLayout::text(int x11Keycode, bool shift, bool levelThree) const
{
    xkb_state *state = xkb_state_new(m_keymap);
    if (!state)
        return {};
    auto maskOf = [this](const char *name) -> xkb_mod_mask_t {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(m_keymap, name);
        return index == XKB_MOD_INVALID ? 0 : (xkb_mod_mask_t(1) << index);
    };
    xkb_mod_mask_t depressed = 0;
    if (shift)
        depressed |= maskOf(XKB_MOD_NAME_SHIFT);
    if (levelThree)
        depressed |= maskOf("Mod5");
    xkb_state_update_mask(state, depressed, 0, maskOf(XKB_MOD_NAME_NUM), 0, 0, m_group);
    char buffer[64] = {};
    xkb_state_key_get_utf8(state, xkb_keycode_t(x11Keycode), buffer, sizeof buffer);
    xkb_state_unref(state);
    return QString::fromUtf8(buffer);
}

QString KeyboardLayout::keysymName(int x11Keycode) const
{
    const xkb_keysym_t *syms = nullptr;
    const int count
        = xkb_keymap_key_get_syms_by_level(m_keymap, xkb_keycode_t(x11Keycode), m_group, 0, &syms);
    if (count < 1 || syms[0] == XKB_KEY_NoSymbol)
        return {};
    char buffer[64] = {};
    if (xkb_keysym_get_name(syms[0], buffer, sizeof buffer) < 0)
        return {};
    return QString::fromLatin1(buffer);
}
