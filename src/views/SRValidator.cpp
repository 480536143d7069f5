#include "views/SRValidator.h"

#include "desktop/ModifierFlags.h"
#include "desktop/PTHotKeyCenter.h"
#include "desktop/ShortcutStrings.h"
#include "desktop/VirtualKeyCodes.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QPointer<QMenuBar> &applicationMenu()
{
    static QPointer<QMenuBar> menu;
    return menu;
}

ShortcutError errorFor(int keyCode, quint32 carbonFlags, const QString &why)
{
    return { QStringLiteral("The key combination %1 can't be used!")
                 .arg(CarbonComboGlyphs(keyCode, carbonFlags)),
        QStringLiteral("The key combination \"%1\" can't be used because %2.")
            .arg(CarbonComboReadable(keyCode, carbonFlags), why) };
}

constexpr quint32 comparedFlags
    = carbon::command | carbon::option | carbon::shift | carbon::control;

// The name of a menu item's key, as KeyCodeName names the pressed key.
QString menuKeyName(Qt::Key key)
{
    if (key != Qt::Key_Space && key < 0x01000000)
        return QString(QChar(char32_t(key))).toUpper();
    if (const auto code = VirtualKeyCodes::fromQtKey(key))
        return KeyCodeName(*code);
    return QKeySequence(key).toString().toUpper();
}

} // namespace

SRValidator::SRValidator(SRValidatorDelegate *delegate)
    : m_delegate(delegate)
    , m_systemShortcuts([](int keyCode, quint32 carbonFlags) {
        return PTHotKeyCenter::sharedCenter().grabber().isHeldElsewhere(keyCode, carbonFlags);
    })
{
}

void SRValidator::setMainMenu(QMenuBar *menuBar)
{
    m_mainMenu = menuBar;
}

void SRValidator::setApplicationMainMenu(QMenuBar *menuBar)
{
    applicationMenu() = menuBar;
}

bool SRValidator::isKeyCodeAndFlagsTaken(
    int keyCode, quint32 carbonFlags, ShortcutError *error) const
{
    if (m_delegate) {
        QString reason;
        if (m_delegate->shortcutValidatorIsKeyCodeAndFlagsTaken(
                keyCode, CarbonToToolkitFlags(carbonFlags), &reason)) {
            if (error)
                *error = errorFor(keyCode, carbonFlags,
                    reason.isEmpty() ? QStringLiteral("it's already used") : reason);
            return true;
        }
    }

    if (KeyCodeName(keyCode).isEmpty())
        return true;
    const std::optional<bool> heldElsewhere
        = m_systemShortcuts ? m_systemShortcuts(keyCode, carbonFlags) : std::nullopt;
    if (!heldElsewhere)
        return true;
    if (*heldElsewhere) {
        if (error)
            *error = errorFor(keyCode, carbonFlags,
                QStringLiteral("it's already used by a system-wide keyboard shortcut. (If you "
                               "really want to use this key combination, most shortcuts can be "
                               "changed in the keyboard settings of your desktop.)"));
        return true;
    }

    QMenuBar *menuBar = m_mainMenu ? m_mainMenu.data() : applicationMenu().data();
    if (menuBar && isKeyCodeAndFlagsTakenInMenu(keyCode, carbonFlags, menuBar->actions(), error))
        return true;
    return false;
}

bool SRValidator::isKeyCodeAndFlagsTakenInMenu(
    int keyCode, quint32 carbonFlags, const QList<QAction *> &menu, ShortcutError *error) const
{
    const QString pressedName = KeyCodeName(keyCode);
    for (QAction *item : menu) {
        if (QMenu *submenu = item->menu()) {
            if (isKeyCodeAndFlagsTakenInMenu(keyCode, carbonFlags, submenu->actions(), error))
                return true;
        }
        const QList<QKeySequence> shortcuts = item->shortcuts();
        for (const QKeySequence &shortcut : shortcuts) {
            if (shortcut.isEmpty())
                continue;
            const QKeyCombination combination = shortcut[0];
            const QString itemKey = menuKeyName(combination.key());
            const quint32 itemFlags = carbonFlagsFromQt(combination.keyboardModifiers());
            if (itemKey.isEmpty() || itemKey != pressedName
                || (itemFlags & comparedFlags) != (carbonFlags & comparedFlags))
                continue;
            if (error) {
                *error = errorFor(keyCode, carbonFlags, QString());
                error->recoverySuggestion = QStringLiteral(
                    "The key combination \"%1\" can't be used because it's already used "
                    "by the menu item \"%2\".")
                                                .arg(CarbonFlagsReadable(itemFlags) + itemKey,
                                                    item->text().remove(QLatin1Char('&')));
            }
            return true;
        }
    }
    return false;
}
