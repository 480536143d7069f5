#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class AppDelegate;
class QWidget;

// Turns Qt's application and window events into the controller's lifecycle
// callbacks: application state changes (active / resigning), main-window
// activation, screen changes, the end of a resize, window close, each pass of
// the event loop, and quit.
class LifecycleWatcher : public QObject {
    Q_OBJECT
public:
    LifecycleWatcher(AppDelegate *delegate, QWidget *mainWindow, QObject *parent = nullptr);

    // How long the window must stay the same size before a resize counts as ended.
    static constexpr int resizeSettleMs = 250;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    void watchWindowHandle();

    AppDelegate *m_delegate;
    QPointer<QWidget> m_mainWindow;
    QTimer m_resizeSettle;
    Qt::ApplicationState m_lastState = Qt::ApplicationInactive;
    bool m_handleWatched = false;
};
