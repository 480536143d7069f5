#pragma once

#include <QString>

#include <memory>

struct xkb_context;
struct xkb_keymap;

// One keyboard layout: the keymap and the layout group in use. current() is
// the layout the X server uses now; it is the same object until the server
// reports a new keymap or a switch of group, so callers that keep tables
// built from it compare objects to know when to rebuild them.
class KeyboardLayout {
public:
    ~KeyboardLayout();
    KeyboardLayout(const KeyboardLayout &) = delete;
    KeyboardLayout &operator=(const KeyboardLayout &) = delete;

    // The server's layout, or a US layout when there is no X server.
    static std::shared_ptr<const KeyboardLayout> current();
    // A layout by its XKB names ("de", "fr" with a variant...); none when
    // the names are unknown.
    static std::shared_ptr<const KeyboardLayout> fromNames(
        const QString &layout, const QString &variant = {});
    // The next current() reads the server's layout again.
    static void invalidateCurrent();

    // The text the key at `x11Keycode` types with the given modifiers
    // (Num Lock always on, so keypad keys give their digits); empty for keys
    // that type nothing.
    QString text(int x11Keycode, bool shift = false, bool levelThree = false) const;
    // The keysym name of the key's first level ("h", "F1", "space"); empty
    // for a key the layout does not have.
    QString keysymName(int x11Keycode) const;

private:
    KeyboardLayout(xkb_context *context, xkb_keymap *keymap, unsigned group);

    xkb_context *m_context;
    xkb_keymap *m_keymap;
    unsigned m_group;
};
