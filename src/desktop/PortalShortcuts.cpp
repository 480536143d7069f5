#include "desktop/PortalShortcuts.h"

#include "desktop/KeyboardLayout.h"
#include "desktop/ModifierFlags.h"
#include "desktop/VirtualKeyCodes.h"

#include <QDBusMetaType>
#include <QStringList>

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace PortalShortcuts {

void registerTypes()
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

PortalShortcutList fromVariant(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
            return {};
    }
    return qdbus_cast<PortalShortcutList>(value);
}

QString trigger(const PTKeyCombo &combo)
{
    if (!combo.isValidHotKeyCombo())
        return {};
    const auto keycode = VirtualKeyCodes::x11Keycode(combo.keyCode());
    const auto layout = KeyboardLayout::current();
    const QString key = keycode && layout ? layout->keysymName(*keycode) : QString();
    if (key.isEmpty())
        return {};
    QStringList parts;
    const quint32 modifiers = combo.modifiers();
    if (modifiers & carbon::control)
        parts << QStringLiteral("CTRL");
    if (modifiers & carbon::option)
        parts << QStringLiteral("ALT");
    if (modifiers & carbon::shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & carbon::command)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

} // namespace PortalShortcuts
