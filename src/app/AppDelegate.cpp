#include "app/AppDelegate.h"

#include "app/AuthWindow.h"
#include "app/DataFiles.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/Swipes.h"
#include "app/NotificationBus.h"
#include "app/NotificationNames.h"
#include "app/Preferences.h"
#include "desktop/IdleTime.h"
#include "service/ApiClient.h"
#include "service/Network.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "support/cache/SDURLCache.h"

#include <QApplication>
#include <QThreadPool>
#include <QDebug>

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
    // The idle time of the desktop; without one the idle refresh is skipped.
    m_idle = IdleTime::createForDesktop();
    m_secondsIdle = [this]() -> std::optional<quint64> {
        return m_idle ? m_idle->secondsIdleIfKnown() : std::nullopt;
    };
    m_window = new MainWindow();
    m_mainWindowIsKey = [this] { return m_window && m_window->isActiveWindow(); };
    m_api = std::make_unique<ApiClient>();
    m_posts = new PostsArrayController(this);
    m_window->setPostsController(m_posts);
    MainMenu::build(m_window, this);
    new SwipeWatcher(m_window);

    connect(m_posts, &PostsArrayController::selectionIndexesChanged, this,
            &AppDelegate::selectionIndexesChanged);
    setPageProcessor(new PostPageProcessor(nullptr, &Network::manager(), this));
}

AppDelegate::~AppDelegate()
{
    // Page work on worker threads reads the cache, which goes with this object.
    if (m_processor)
        m_processor->cancel();
    QThreadPool::globalInstance()->waitForDone();
    delete m_window;
    delete m_authWindow;
}

MainWindow *AppDelegate::window() const
{
    return m_window;
}

AuthWindow *AppDelegate::authWindow() const
{
    return m_authWindow;
}

Preferences &AppDelegate::prefs() const
{
    return Preferences::standard();
}

bool AppDelegate::mainWindowIsKey() const
{
    return m_mainWindowIsKey && m_mainWindowIsKey();
}

void AppDelegate::replaceTimer(QPointer<QTimer> &slot, int intervalMs, void (AppDelegate::*action)())
{
    // Timers are dropped before they are replaced: never two of a kind.
    if (slot) {
        slot->stop();
        slot->deleteLater();
        slot = nullptr;
    }
    if (intervalMs <= 0)
        return;
    auto *timer = new QTimer(this);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, action);
    timer->start();
    slot = timer;
}

// --- Application and window lifecycle ---

void AppDelegate::applicationDidFinishLaunching()
{
    NotificationBus::defaultCenter().post(nf::didFinishLaunching);
}

void AppDelegate::applicationDidUpdate()
{
    NotificationBus::defaultCenter().post(nf::didUpdate);
    if (!m_window)
        return;
    const quint64 kind = m_state.currentStreamKind;
    if (kind < StreamKindUser || kind == StreamKindStarred)
        m_window->setBackBarVisible(false);
    else if (!m_state.isFullscreen)
        m_window->setBackBarVisible(true);
    m_window->setMentionIndicatorVisible(kind != StreamKindMentions);
}

void AppDelegate::applicationDidBecomeActive()
{
    NotificationBus::defaultCenter().post(nf::didBecomeActive);
    if (!m_state.canActivateItself || !m_window)
        return;
    if (m_window->windowOpacity() == 0.0 || m_window->isHiddenFromUser()) {
        m_window->fadeIn();
        QTimer::singleShot(260, this, &AppDelegate::makeResponder);
        return;
    }
    m_window->setWindowOpacity(1.0);
    m_window->raise();
    m_window->activateWindow();
    makeResponder();
}

void AppDelegate::applicationWillResignActive()
{
    m_state.canActivateItself = true;
    if (!prefs().value(prefs::prefsAutoHide) || !m_window)
        return;
    m_window->hideApplication();
    if (m_window->composerText().isEmpty())
        collapseSplitView();
}

bool AppDelegate::applicationShouldHandleReopen()
{
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    return true;
}

void AppDelegate::applicationWillTerminate()
{
    // Preferences are written as they change; only the two lists are saved
    // here. A list that could not be read is absent and its file stays as it was.
    if (m_state.autocompletionArray)
        DataFiles::saveAutocompletions(m_state.savePath, *m_state.autocompletionArray);
    if (m_state.savedPosts)
        DataFiles::saveSavedPosts(m_state.savePathPosts, *m_state.savedPosts);
}

void AppDelegate::windowDidBecomeMain()
{
    if (m_window)
        m_window->rearrangePosts();
}

void AppDelegate::windowWillClose()
{
    if (m_window && m_window->composerText().isEmpty())
        collapseSplitView();
}

void AppDelegate::windowDidChangeScreen()
{
    NotificationBus::defaultCenter().post(nf::windowDidChangeScreen);
}

void AppDelegate::windowDidEndLiveResize()
{
    if (m_window)
        m_window->reloadTableViewKeepingSelection();
}

void AppDelegate::makeResponder()
{
    // A hook for the moment the window has come forward; nothing to do.
}
