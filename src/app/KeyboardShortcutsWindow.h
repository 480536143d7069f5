#pragma once

class CommandTable;
class QWidget;

// Help > Keyboard Shortcuts: every command with keys, grouped as the menus
// are. One window at a time; showing it again brings it forward.
namespace KeyboardShortcutsWindow {
void show(QWidget *parent, const CommandTable &commands);
}
