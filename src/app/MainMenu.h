#pragma once

class AppDelegate;
class CommandTable;
class MainWindow;

// The main window's menu bar and the list's menus, built from the command
// table, with the titles and states that follow the selected post.
namespace MainMenu {
void build(MainWindow *window, AppDelegate *delegate, const CommandTable &commands);
}
