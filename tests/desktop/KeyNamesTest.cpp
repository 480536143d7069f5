// Key names, glyph and readable forms and flag conversions. The offscreen
// platform has no X server, so the current layout is a US one; another layout
// is built by name.
#include "desktop/KeyboardLayout.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTKeyCodeTranslator.h"
#include "desktop/PTKeyCombo.h"
#include "desktop/SRKeyCodeTransformer.h"
#include "desktop/ShortcutStrings.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyNames, FixedNamesLayoutCharactersAndNoNameForNoKey)
{
    const std::pair<int, QString> names[] = { { 49, QStringLiteral("Space") },
        { 65, QStringLiteral("Pad .") }, { 83, QStringLiteral("Pad 1") },
        { 0, QStringLiteral("A") }, { 43, QStringLiteral(",") }, { 122, QStringLiteral("F1") },
        { 80, QStringLiteral("F19") }, { 36, QString(QChar(0x21A9)) },
        { 53, QString(QChar(0x238B)) }, { 117, QString(QChar(0x2326)) }, { 127, QString() } };
    for (const auto &[code, name] : names)
        EXPECT_EQ(KeyCodeName(code), name) << code;
    EXPECT_FALSE(SRKeyCodeTransformer::shared().transformedValue(-3).has_value());

    // The keys at the US Y and Z positions are swapped on a German keyboard.
    const auto german = KeyboardLayout::fromNames(QStringLiteral("de"));
    ASSERT_TRUE(german);
    EXPECT_EQ(SRKeyCodeTransformer(german).transformedValue(6), QStringLiteral("Y"));
    EXPECT_EQ(PTKeyCodeTranslator(german).translateKeyCode(41), QStringLiteral("ö"));
    EXPECT_FALSE(KeyboardLayout::fromNames(QStringLiteral("no-such-layout")));
}

TEST(KeyNames, GlyphReadableAndHotKeyForms)
{
    const quint32 all = carbon::command | carbon::option | carbon::control | carbon::shift;
    EXPECT_EQ(CarbonComboGlyphs(12, all), QStringLiteral("⌃⌥⇧⌘Q"));
    EXPECT_EQ(
        CarbonComboReadable(12, all), QStringLiteral("Command + Option + Control + Shift + Q"));
    EXPECT_EQ(ToolkitComboGlyphs(49, toolkit::command | toolkit::shift), QStringLiteral("⇧⌘Space"));
    EXPECT_EQ(KeyCharacterForCode(18, toolkit::shift), QStringLiteral("!"));
    // The hot key's own order: command, option, control, shift.
    EXPECT_EQ(PTKeyCombo(49, carbon::shift | carbon::command | carbon::control).description(),
        QStringLiteral("⌘⌃⇧Space"));
    EXPECT_EQ(PTKeyCombo::clearKeyCombo().description(), QStringLiteral("(None)"));
    EXPECT_FALSE(PTKeyCombo(12, 0).isValidHotKeyCombo()) << "a key alone is never registered";
}

TEST(ModifierFlags, ConvertFivePairsAndDropTheRest)
{
    EXPECT_EQ(CarbonToToolkitFlags(0x100 | 0x200 | 0x800 | 0x1000 | 0x800000 | 0x1 | 0x400),
        0x100000u | 0x20000u | 0x80000u | 0x40000u | 0x800000u);
    for (quint32 carbonFlags = 0; carbonFlags < 0x2000; carbonFlags += 0x100)
        EXPECT_EQ(ToolkitToCarbonFlags(CarbonToToolkitFlags(carbonFlags)), carbonFlags & 0x1B00);
    EXPECT_EQ(toolkitFlagsFromQt(Qt::ControlModifier | Qt::AltModifier),
        toolkit::control | toolkit::option);
    EXPECT_EQ(
        carbonFlagsFromQt(Qt::MetaModifier | Qt::ShiftModifier), carbon::command | carbon::shift);
}

} // namespace
