#include "desktop/ShortcutStrings.h"

#include "desktop/KeyboardLayout.h"
#include "desktop/ModifierFlags.h"
#include "desktop/PTKeyCodeTranslator.h"
#include "desktop/SRKeyCodeTransformer.h"
#include "desktop/VirtualKeyCodes.h"

#include <QLocale>

QString KeyCodeName(int keyCode)
{
    return SRKeyCodeTransformer::shared().transformedValue(keyCode).value_or(QString());
}

QString CarbonFlagsGlyphs(quint32 carbonFlags)
{
    QString glyphs;
    if (carbonFlags & carbon::control)
        glyphs += QChar(0x2303);
    if (carbonFlags & carbon::option)
        glyphs += QChar(0x2325);
    if (carbonFlags & carbon::shift)
        glyphs += QChar(0x21E7);
    if (carbonFlags & carbon::command)
        glyphs += QChar(0x2318);
    return glyphs;
}

QString ToolkitFlagsGlyphs(quint32 toolkitFlags)
{
    return CarbonFlagsGlyphs(ToolkitToCarbonFlags(toolkitFlags));
}

QString CarbonComboGlyphs(int keyCode, quint32 carbonFlags)
{
    return CarbonFlagsGlyphs(carbonFlags) + KeyCodeName(keyCode);
}

QString ToolkitComboGlyphs(int keyCode, quint32 toolkitFlags)
{
    return CarbonComboGlyphs(keyCode, ToolkitToCarbonFlags(toolkitFlags));
}

QString CarbonFlagsReadable(quint32 carbonFlags)
{
    QString text;
    if (carbonFlags & carbon::command)
        text += QStringLiteral("Command + ");
    if (carbonFlags & carbon::option)
        text += QStringLiteral("Option + ");
    if (carbonFlags & carbon::control)
        text += QStringLiteral("Control + ");
    if (carbonFlags & carbon::shift)
        text += QStringLiteral("Shift + ");
    return text;
}

QString CarbonComboReadable(int keyCode, quint32 carbonFlags)
{
    return CarbonFlagsReadable(carbonFlags) + KeyCodeName(keyCode);
}

QString ToolkitComboReadable(int keyCode, quint32 toolkitFlags)
{
    return CarbonComboReadable(keyCode, ToolkitToCarbonFlags(toolkitFlags));
}

QString KeyCharacterForCode(int keyCode, quint32 toolkitFlags)
{
    const auto keycode = VirtualKeyCodes::x11Keycode(keyCode);
    if (!keycode)
        return {};
    const std::shared_ptr<const KeyboardLayout> layout = KeyboardLayout::current();
    if (!layout)
        return {};
    const QString typed
        = layout->text(*keycode, toolkitFlags & toolkit::shift, toolkitFlags & toolkit::option);
    return QLocale().toUpper(firstCharacter(typed));
}
