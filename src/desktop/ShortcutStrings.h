#pragma once

#include <QString>

// The texts that name shortcuts in the recorder and in its messages.
// Glyph form: "⌃⌥⇧⌘" then the key name; readable form: "Command + Option +
// Control + Shift + " then the key name, each modifier only when present.

// The key's name, empty when it has none.
QString KeyCodeName(int keyCode);

QString CarbonFlagsGlyphs(quint32 carbonFlags);
// "Command + Option + Control + Shift + ", each only when present.
QString CarbonFlagsReadable(quint32 carbonFlags);
QString ToolkitFlagsGlyphs(quint32 toolkitFlags);
QString CarbonComboGlyphs(int keyCode, quint32 carbonFlags);
QString ToolkitComboGlyphs(int keyCode, quint32 toolkitFlags);
QString CarbonComboReadable(int keyCode, quint32 carbonFlags);
QString ToolkitComboReadable(int keyCode, quint32 toolkitFlags);

// What the key types with shift and option as given, capitalised.
QString KeyCharacterForCode(int keyCode, quint32 toolkitFlags);
