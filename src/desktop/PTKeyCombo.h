#pragma once

#include <QString>
#include <QVariantMap>

// A global hot key's combination: a virtual key code and carbon modifier
// flags. The clear combination (-1, all bits set) means "no shortcut"; a
// combination without modifiers is kept but never registered.
class PTKeyCombo {
public:
    static constexpr quint32 noModifiers = 0xFFFFFFFFu;

    PTKeyCombo() = default; // the clear combination
    PTKeyCombo(qint32 keyCode, quint32 modifiers)
        : m_keyCode(keyCode)
        , m_modifiers(modifiers)
    {
    }

    static PTKeyCombo clearKeyCombo() { return {}; }
    static PTKeyCombo keyComboWithKeyCode(qint32 keyCode, quint32 modifiers)
    {
        return { keyCode, modifiers };
    }
    // {"keyCode", "modifiers"}; a missing or empty map gives the clear
    // combination, a key code below 0 becomes -1 and modifiers below 1 none.
    static PTKeyCombo fromPlistRepresentation(const QVariantMap &plist);
    QVariantMap plistRepresentation() const;

    qint32 keyCode() const { return m_keyCode; }
    quint32 modifiers() const { return m_modifiers; }

    bool isValidHotKeyCombo() const;
    bool isClearCombo() const { return m_keyCode == -1 && m_modifiers == noModifiers; }
    // The modifiers in toolkit flags.
    quint32 modifierMask() const;

    // The key's name: from the key-name table, else what the key types on
    // the current layout; empty for the clear combination.
    QString keyCodeString() const;
    // Modifier glyphs (command, option, control, shift) and the key name, or
    // "(None)".
    QString description() const;

    bool operator==(const PTKeyCombo &other) const = default;

private:
    qint32 m_keyCode = -1;
    quint32 m_modifiers = noModifiers;
};

// The name of `keyCode` from the key-name table and the layout.
QString keyCodeNameFromTable(qint32 keyCode);
