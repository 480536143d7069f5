#pragma once

#include "desktop/PTKeyCombo.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One entry of the desktop portal's shortcut lists (D-Bus a(sa{sv})): the
// action's name and its properties ("description", "preferred_trigger" on the
// way in, "trigger_description" on the way back).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcutList)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

namespace PortalShortcuts {

// Makes the list types known to QtDBus; safe to call more than once.
void registerTypes();

// A list as it arrives in a message or a results map.
PortalShortcutList fromVariant(const QVariant &value);

// A combination in the desktop's shortcut notation: the modifiers CTRL, ALT,
// SHIFT and LOGO and the key's keysym name on the current layout, joined by
// "+" ("CTRL+ALT+h"); empty for a combination that is not a hot key.
QString trigger(const PTKeyCombo &combo);

} // namespace PortalShortcuts
