#include "app/LifecycleWatcher.h"

#include "app/AppDelegate.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

LifecycleWatcher::LifecycleWatcher(AppDelegate *delegate, QWidget *mainWindow, QObject *parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_mainWindow(mainWindow)
{
    m_resizeSettle.setSingleShot(true);
    m_resizeSettle.setInterval(resizeSettleMs);
    connect(&m_resizeSettle, &QTimer::timeout, m_delegate, &AppDelegate::windowDidEndLiveResize);

    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
        &LifecycleWatcher::applicationStateChanged);
    connect(
        qApp, &QCoreApplication::aboutToQuit, m_delegate, &AppDelegate::applicationWillTerminate);
    if (auto *dispatcher = QAbstractEventDispatcher::instance()) {
        // Once per pass of the event loop, before it waits for more events.
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_delegate,
            &AppDelegate::applicationDidUpdate);
    }
    if (m_mainWindow) {
        m_mainWindow->installEventFilter(this);
        watchWindowHandle();
    }
}

void LifecycleWatcher::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive && m_lastState != Qt::ApplicationActive)
        m_delegate->applicationDidBecomeActive();
    else if (state != Qt::ApplicationActive && m_lastState == Qt::ApplicationActive)
        m_delegate->applicationWillResignActive();
    m_lastState = state;
}

void LifecycleWatcher::watchWindowHandle()
{
    QWindow *handle = m_mainWindow ? m_mainWindow->windowHandle() : nullptr;
    if (!handle || m_handleWatched)
        return;
    m_handleWatched = true;
    connect(handle, &QWindow::screenChanged, m_delegate, &AppDelegate::windowDidChangeScreen);
}

bool LifecycleWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainWindow) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::WinIdChange:
            watchWindowHandle();
            break;
        case QEvent::WindowActivate:
            m_delegate->windowDidBecomeMain();
            break;
        case QEvent::Resize:
            m_resizeSettle.start();
            break;
        case QEvent::Close:
            m_delegate->windowWillClose();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
