#pragma once

#include "views/PreferencePanes.h"

#include <QObject>
#include <QPointer>

class HotKeyBox;
class MainWindow;
class PreferencePanel;
class ShortcutActivateDemo;
class SRRecorderControl;

// Opens the preferences window, built on first use, with its four panes
// and the two hot-key recorders, whose changes go to the hot keys; where the
// desktop chooses the keys, the group shows what it reports and follows its
// changes.
class PreferencesController : public QObject {
    Q_OBJECT
public:
    PreferencesController(MainWindow *window, ShortcutActivateDemo *shortcuts,
        PreferencePaneActions actions, QObject *parent = nullptr);
    ~PreferencesController() override;

    void showPreferences();
    PreferencePanel *panel() const;
    SRRecorderControl *showHideRecorder() const;
    SRRecorderControl *newPostRecorder() const;
    HotKeyBox *hotKeyBox() const;

private:
    void build();
    // The hot-key group in the form the session's hot keys call for.
    void showHotKeys();

    QPointer<MainWindow> m_window;
    ShortcutActivateDemo *m_shortcuts;
    PreferencePaneActions m_actions;
    QPointer<PreferencePanel> m_panel;
    QPointer<SRRecorderControl> m_recorder;
    QPointer<SRRecorderControl> m_recorderFinder;
    QPointer<HotKeyBox> m_hotKeys;
};
