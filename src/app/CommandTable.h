#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

class QAction;
class QMenu;
class QWidget;

// One command of the program: its name in the code, the title its menu
// items show, its keys and what it does.
struct Command {
    Command(const char *id, const char *title, QList<QKeySequence> shortcuts,
        std::function<void()> run, bool checkable = false)
        : id(QString::fromUtf8(id))
        , title(QString::fromUtf8(title))
        , shortcuts(std::move(shortcuts))
        , run(std::move(run))
        , checkable(checkable)
    {
    }

    QString id;
    QString title;
    QList<QKeySequence> shortcuts;
    std::function<void()> run;
    bool checkable = false;
};

// Where the commands show: the menus in order, each a list of command ids
// ("-" a separator).
struct MenuLayout {
    MenuLayout(const char *title, std::initializer_list<const char *> ids)
        : title(QString::fromUtf8(title))
    {
        for (const char *id : ids)
            this->ids << QString::fromUtf8(id);
    }

    QString title;
    QStringList ids;
};

// The program's commands, declared once. Each becomes one action, shared by
// the menu bar, the list's context menu and the tray menu; every action with
// keys is also the window's own, so its keys work without a menu bar.
class CommandTable : public QObject {
    Q_OBJECT
public:
    CommandTable(QList<Command> commands, QList<MenuLayout> menus, QObject *parent = nullptr);

    // Nothing for an id that names no command.
    QAction *action(const QString &id) const;
    // Runs the command as its menu item would (not while it is disabled).
    void trigger(const QString &id) const;
    const QList<Command> &commands() const { return m_commands; }
    const QList<MenuLayout> &menus() const { return m_menus; }

    // Fills `menu` with the commands named (and "-" separators).
    void addTo(QMenu *menu, const QStringList &ids) const;
    // Makes every command with keys answer them in `window`.
    void addShortcutsTo(QWidget *window) const;

    // The commands with keys, grouped as the menus are (each listed once):
    // the menu's title, then each command's title and keys in the desktop's
    // notation.
    struct KeyGroup {
        QString menu;
        QList<QPair<QString, QString>> commands;
    };
    QList<KeyGroup> keyGroups() const;

private:
    QList<Command> m_commands;
    QList<MenuLayout> m_menus;
    QHash<QString, QAction *> m_actions;
};
