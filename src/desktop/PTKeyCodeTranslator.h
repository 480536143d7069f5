#pragma once

#include <QString>

#include <memory>

class KeyboardLayout;

// Turns a virtual key code into the character its key types on a keyboard
// layout, without modifiers: what a key cap would show.
class PTKeyCodeTranslator {
public:
    explicit PTKeyCodeTranslator(std::shared_ptr<const KeyboardLayout> layout);

    // One translator for the layout in use, replaced when the layout changes.
    static std::shared_ptr<PTKeyCodeTranslator> currentTranslator();

    // One character, or empty when the key types nothing here.
    QString translateKeyCode(int virtualKeyCode) const;
    const std::shared_ptr<const KeyboardLayout> &keyboardLayout() const { return m_layout; }

private:
    std::shared_ptr<const KeyboardLayout> m_layout;
};

// The first character (a whole code point) of `text`, or empty.
QString firstCharacter(const QString &text);
