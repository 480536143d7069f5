#pragma once

class AppDelegate;
class MainWindow;

// The main window's menus and their keys: streams (tags 0-4), moving the
// selection, refresh, new post, reply, quote and send, close, full screen
// and help.
namespace MainMenu {
void build(MainWindow *window, AppDelegate *delegate);
}
