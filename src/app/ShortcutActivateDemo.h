#pragma once

#include "desktop/PTKeyCombo.h"
#include "views/SRRecorderControl.h"

#include <QObject>
#include <QPointer>

#include <memory>

class MainWindow;
class PTHotKey;
class PTHotKeyCenter;
class WindowCommands;

// The two global hot keys: one shows or hides the window, the other brings
// Velto forward with a new post. Both are read from the preferences at
// start, registered with the desktop, and replaced whenever their recorder
// in the preferences changes. A combination without modifiers is kept but
// never registered. There is no default combination.
class ShortcutActivateDemo : public QObject, public SRRecorderControlDelegate {
    Q_OBJECT
public:
    static inline const QString showHidePrefix = QStringLiteral("hotKey");
    static inline const QString newPostPrefix = QStringLiteral("hotKeyFinder");
    static constexpr int delayedNewPostMs = 300;

    ShortcutActivateDemo(MainWindow *window, WindowCommands *windowCommands,
        PTHotKeyCenter *center = nullptr, QObject *parent = nullptr);
    ~ShortcutActivateDemo() override;

    // Registers both hot keys from the preferences.
    void init();
    // Shows both combinations in their recorders and listens to them.
    void awakeFromNib(SRRecorderControl *recorderControl, SRRecorderControl *recorderControlFinder);

    void activateApp(PTHotKey *sender);
    void activateFinder(PTHotKey *sender);
    void delayedNewPost();

    void shortcutRecorderKeyComboDidChange(SRRecorderControl *recorder, SRKeyCombo combo) override;
    // One combination cannot be both hot keys: each recorder refuses the
    // other's.
    bool shortcutRecorderIsKeyCodeAndFlagsTaken(
        SRRecorderControl *recorder, int keyCode, quint32 toolkitFlags, QString *reason) override;
    void saveCombo();
    // Saves the new-post combination (its counterpart for the other key).
    void saveComboFinder();
    static PTKeyCombo keyComboFromUserDefaults(const QString &prefix);
    static void saveKeyCombo(const PTKeyCombo &combo, const QString &prefix);

    PTHotKey *hotKey() const { return m_hotKey.get(); }
    PTHotKey *hotKeyFinder() const { return m_hotKeyFinder.get(); }
    // Why this session has no global hot keys, or empty when it has them.
    QString whyHotKeysAreOff() const;
    // Whether the desktop chooses the keys (the recorders are then not used
    // and the recorded combinations are kept for X11 sessions).
    bool desktopChoosesKeys() const;
    // The keys the desktop reports for a hot key; empty when none.
    QString desktopTrigger(bool finder) const;
    bool canConfigureOnDesktop() const;
    void configureOnDesktop();

Q_SIGNALS:
    // Availability or the desktop's keys changed.
    void hotKeysChanged();

private:
    std::unique_ptr<PTHotKey> makeHotKey(const PTKeyCombo &combo, bool finder);

    QPointer<MainWindow> m_window;
    WindowCommands *m_windowCommands;
    PTHotKeyCenter *m_center;
    QPointer<SRRecorderControl> m_recorderControl;
    QPointer<SRRecorderControl> m_recorderControlFinder;
    std::unique_ptr<PTHotKey> m_hotKey;
    std::unique_ptr<PTHotKey> m_hotKeyFinder;
};
