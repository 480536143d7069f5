#pragma once

#include "core/StreamKind.h"

#include <QObject>
#include <QPointer>

class AboutWindow;
class ComposerController;
class MainWindow;
class StreamLoader;

// What the main window does as a window: showing and hiding it with its
// fades, the close command that steps back one level at a time, full
// screen, the bars above the list, agent mode and the login item, the About
// window and the help pages, and its part of the application's activation.
class WindowCommands : public QObject {
    Q_OBJECT
public:
    WindowCommands(MainWindow *window, StreamLoader *streams, ComposerController *composer,
        QObject *parent = nullptr);

    void openWindow();
    void fadeWindowIn();
    // Composer text, then the composer pane, then a stream or an older page
    // still on its way, then a stream reached from a post, then the window
    // itself.
    void closeWindow();
    void setFullScreen(bool fullScreen);

    // A normal window in the task bar, or an agent without task-bar entry
    // and menu bar (read at start).
    void applyDockMode();
    void toggleDockIcon();
    void relaunch();
    void addToLoginItems();

    void showAbout();
    void quickHelp();
    void openSupport();
    void provideFeedback();
    void openAppWebsite();
    void openVELTO();
    void openAppDotNet();
    // Called once the window has come forward.
    void makeResponder() { }

    void applicationDidBecomeActive();
    void applicationWillResignActive();
    bool applicationShouldHandleReopen();
    void windowWillClose();
    bool canActivateItself() const { return m_canActivateItself; }

private:
    void openMakerPage(const QString &path);

    QPointer<MainWindow> m_window;
    StreamLoader *m_streams;
    ComposerController *m_composer;
    QPointer<AboutWindow> m_aboutWindow;
    bool m_canActivateItself = false;
};
