#pragma once

#include <functional>

class QWidget;

// What the panes ask of the program beyond writing their settings.
struct PreferencePaneActions {
    std::function<void()> toggleStatusItem;
    std::function<void()> toggleDockIcon;
    std::function<void()> checkForUpdates;
    // The update check's own setting, which also forgets the last check.
    std::function<void(bool)> setCheckAtStartup;
};

// The four panes of the preferences window. Every control writes its
// preference key at once.
namespace PreferencePanes {

// Streams, refresh, text, notifications, tray and window, and the group of
// the two hot keys, which is the caller's and is taken over.
QWidget *general(QWidget *hotKeys, const PreferencePaneActions &actions);
// The service addresses.
QWidget *advanced();
// Swipes and pull-to-refresh.
QWidget *gestures();
// The update check.
QWidget *update(const PreferencePaneActions &actions);

} // namespace PreferencePanes
