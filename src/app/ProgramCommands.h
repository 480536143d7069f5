#pragma once

class AppDelegate;
class CommandTable;
class QObject;

// The table of every command the program has: what the menus, the list's
// context menu, the tray menu and the window's keys are built from.
namespace ProgramCommands {
CommandTable *declare(AppDelegate &app, QObject *parent);
}
