#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class KeyboardLayout;

// Key codes to the names a shortcut shows, and back. Keys that type nothing
// of their own (function keys, arrows, Space, Return...) have fixed names;
// every other key is named by what it types on the current layout, upper-
// cased, keypad keys as "Pad" and the character.
class SRKeyCodeTransformer {
public:
    // The transformer of the current layout.
    static SRKeyCodeTransformer &shared();
    // One for a given layout (tests of other layouts).
    explicit SRKeyCodeTransformer(std::shared_ptr<const KeyboardLayout> layout = nullptr);

    // `value` must be a number whose 16-bit value is 0 or more.
    std::optional<QString> transformedValue(const QVariant &value);
    std::optional<int> reverseTransformedValue(const QString &name);
    static bool allowsReverseTransformation() { return true; }

private:
    std::shared_ptr<const KeyboardLayout> layout() const;
    void rebuildReverseTable();

    std::shared_ptr<const KeyboardLayout> m_fixedLayout;
    std::shared_ptr<const KeyboardLayout> m_tableLayout;
    QHash<QString, int> m_codesByName;
};
