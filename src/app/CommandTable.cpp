#include "app/CommandTable.h"

#include <QAction>
#include <QDebug>
#include <QMenu>
#include <QSet>
#include <QWidget>

CommandTable::CommandTable(QList<Command> commands, QList<MenuLayout> menus, QObject *parent)
    : QObject(parent)
    , m_commands(std::move(commands))
    , m_menus(std::move(menus))
{
    for (const Command &command : std::as_const(m_commands)) {
        Q_ASSERT(!m_actions.contains(command.id));
        auto *action = new QAction(command.title, this);
        action->setObjectName(command.id);
        action->setShortcuts(command.shortcuts);
        action->setCheckable(command.checkable);
        // A checkable command reads its new state from the action.
        if (command.run)
            connect(action, &QAction::triggered, this, [run = command.run] { run(); });
        m_actions.insert(command.id, action);
    }
}

QAction *CommandTable::action(const QString &id) const
{
    return m_actions.value(id);
}

void CommandTable::trigger(const QString &id) const
{
    if (QAction *command = action(id))
        command->trigger();
    else
        qWarning().noquote() << "no command" << id;
}

void CommandTable::addTo(QMenu *menu, const QStringList &ids) const
{
    for (const QString &id : ids) {
        if (id == QLatin1String("-"))
            menu->addSeparator();
        else if (QAction *command = action(id))
            menu->addAction(command);
    }
}

void CommandTable::addShortcutsTo(QWidget *window) const
{
    for (const Command &command : m_commands) {
        if (!command.shortcuts.isEmpty())
            window->addAction(action(command.id));
    }
}

QList<CommandTable::KeyGroup> CommandTable::keyGroups() const
{
    QList<KeyGroup> groups;
    QSet<QString> listed;
    for (const MenuLayout &menu : m_menus) {
        KeyGroup group { QString(menu.title).remove(QLatin1Char('&')), {} };
        for (const QString &id : menu.ids) {
            const QAction *command = action(id);
            if (!command || command->shortcuts().isEmpty() || listed.contains(id))
                continue;
            listed.insert(id);
            QStringList keys;
            for (const QKeySequence &key : command->shortcuts())
                keys << key.toString(QKeySequence::NativeText);
            group.commands.append({ command->text(), keys.join(QStringLiteral(", ")) });
        }
        if (!group.commands.isEmpty())
            groups.append(group);
    }
    return groups;
}
