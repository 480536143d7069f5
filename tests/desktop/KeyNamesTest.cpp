// Key names, glyph and readable forms, flag conversions and the stored form
// of a hot key's combination. The offscreen platform has no X server, so the
// current layout is a US one; other layouts are built by name.
#include "desktop/KeyboardLayout.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTKeyCodeTranslator.h"
#include "desktop/PTKeyCombo.h"
#include "desktop/SRKeyCodeTransformer.h"
#include "desktop/ShortcutStrings.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyNames, FixedNamesAndLayoutCharacters)
{
    EXPECT_EQ(KeyCodeName(49), QStringLiteral("Space"));
    EXPECT_EQ(KeyCodeName(65), QStringLiteral("Pad ."));
    EXPECT_EQ(KeyCodeName(83), QStringLiteral("Pad 1"));
    EXPECT_EQ(KeyCodeName(0), QStringLiteral("A"));
    EXPECT_EQ(KeyCodeName(43), QStringLiteral(","));
    EXPECT_EQ(KeyCodeName(122), QStringLiteral("F1"));
    EXPECT_EQ(KeyCodeName(80), QStringLiteral("F19"));
    EXPECT_EQ(KeyCodeName(36), QString(QChar(0x21A9)));
    EXPECT_EQ(KeyCodeName(53), QString(QChar(0x238B)));
    EXPECT_EQ(KeyCodeName(117), QString(QChar(0x2326)));
    // Codes no key has, and numbers below 0 in 16 bits, have no name.
    EXPECT_TRUE(KeyCodeName(127).isEmpty());
    EXPECT_FALSE(SRKeyCodeTransformer::shared().transformedValue(-3).has_value());
    EXPECT_FALSE(SRKeyCodeTransformer::shared().transformedValue(QStringLiteral("x")).has_value());
}

TEST(KeyNames, FollowTheLayoutAndMapBack)
{
    const auto german = KeyboardLayout::fromNames(QStringLiteral("de"));
    ASSERT_TRUE(german);
    SRKeyCodeTransformer transformer(german);
    // The keys at the US Y and Z positions are swapped on a German keyboard.
    EXPECT_EQ(transformer.transformedValue(6), QStringLiteral("Y"));
    EXPECT_EQ(transformer.transformedValue(16), QStringLiteral("Z"));
    EXPECT_EQ(transformer.reverseTransformedValue(QStringLiteral("Z")), 16);
    EXPECT_EQ(transformer.reverseTransformedValue(QStringLiteral("Space")), 49);
    EXPECT_FALSE(transformer.reverseTransformedValue(QStringLiteral("no such key")).has_value());
    EXPECT_EQ(PTKeyCodeTranslator(german).translateKeyCode(41), QStringLiteral("ö"));

    SRKeyCodeTransformer us(KeyboardLayout::fromNames(QStringLiteral("us")));
    EXPECT_EQ(us.reverseTransformedValue(QStringLiteral("Z")), 6);
    EXPECT_FALSE(KeyboardLayout::fromNames(QStringLiteral("no-such-layout")));
}

TEST(KeyNames, GlyphAndReadableForms)
{
    const quint32 all = carbon::command | carbon::option | carbon::control | carbon::shift;
    EXPECT_EQ(CarbonComboGlyphs(12, all), QStringLiteral("⌃⌥⇧⌘Q"));
    EXPECT_EQ(
        CarbonComboReadable(12, all), QStringLiteral("Command + Option + Control + Shift + Q"));
    EXPECT_EQ(ToolkitComboReadable(12, toolkit::control), QStringLiteral("Control + Q"));
    EXPECT_EQ(ToolkitComboGlyphs(49, toolkit::command | toolkit::shift), QStringLiteral("⇧⌘Space"));
    EXPECT_EQ(KeyCharacterForCode(0, toolkit::shift), QStringLiteral("A"));
    EXPECT_EQ(KeyCharacterForCode(18, toolkit::shift), QStringLiteral("!"));
}

TEST(ModifierFlags, ConvertFivePairsAndDropTheRest)
{
    EXPECT_EQ(CarbonToToolkitFlags(0x100 | 0x200 | 0x800 | 0x1000 | 0x800000 | 0x1 | 0x400),
        0x100000u | 0x20000u | 0x80000u | 0x40000u | 0x800000u);
    EXPECT_EQ(ToolkitToCarbonFlags(0x100000 | 0x40000 | 0x10000), 0x100u | 0x1000u);
    for (quint32 carbonFlags = 0; carbonFlags < 0x2000; carbonFlags += 0x100)
        EXPECT_EQ(ToolkitToCarbonFlags(CarbonToToolkitFlags(carbonFlags)), carbonFlags & 0x1B00);
    EXPECT_EQ(toolkitFlagsFromQt(Qt::ControlModifier | Qt::AltModifier),
        toolkit::control | toolkit::option);
    EXPECT_EQ(
        carbonFlagsFromQt(Qt::MetaModifier | Qt::ShiftModifier), carbon::command | carbon::shift);
}

TEST(PTKeyCombo, StoredFormValidityAndDescription)
{
    const PTKeyCombo combo(12, carbon::control | carbon::option);
    EXPECT_EQ(PTKeyCombo::fromPlistRepresentation(combo.plistRepresentation()), combo);
    EXPECT_TRUE(PTKeyCombo::fromPlistRepresentation({}).isClearCombo());
    const PTKeyCombo odd = PTKeyCombo::fromPlistRepresentation(
        { { QStringLiteral("keyCode"), -7 }, { QStringLiteral("modifiers"), 0 } });
    EXPECT_EQ(odd.keyCode(), -1);
    EXPECT_EQ(odd.modifiers(), PTKeyCombo::noModifiers);
    EXPECT_TRUE(odd.isClearCombo());

    EXPECT_TRUE(combo.isValidHotKeyCombo());
    EXPECT_FALSE(PTKeyCombo(12, 0).isValidHotKeyCombo()) << "a key alone is never registered";
    EXPECT_FALSE(PTKeyCombo::clearKeyCombo().isValidHotKeyCombo());
    EXPECT_EQ(combo.modifierMask(), toolkit::control | toolkit::option);

    // The hot key's own order: command, option, control, shift.
    EXPECT_EQ(PTKeyCombo(49, carbon::shift | carbon::command | carbon::control).description(),
        QStringLiteral("⌘⌃⇧Space"));
    EXPECT_EQ(PTKeyCombo(83, carbon::option).description(), QStringLiteral("⌥Pad 1"));
    EXPECT_EQ(PTKeyCombo(0, carbon::command).keyCodeString(), QStringLiteral("A"));
    EXPECT_EQ(PTKeyCombo::clearKeyCombo().description(), QStringLiteral("(None)"));
    EXPECT_TRUE(PTKeyCombo::clearKeyCombo().keyCodeString().isEmpty());
}

} // namespace
