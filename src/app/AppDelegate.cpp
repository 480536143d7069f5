#include "app/AppDelegate.h"

#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/ComposerPane.h"
#include "app/ImageUploads.h"
#include "app/KeyboardSelection.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/MentionNotifications.h"
#include "app/OfflineNotice.h"
#include "app/PostActions.h"
#include "app/PostCommands.h"
#include "app/PreferencesController.h"
#include "app/ProgramCommands.h"
#include "app/RefreshScheduler.h"
#include "app/SavedPostCommands.h"
#include "app/ShortcutActivateDemo.h"
#include "app/SignInController.h"
#include "app/StatusItem.h"
#include "app/StreamPresenter.h"
#include "app/StreamSideBar.h"
#include "app/Swipes.h"
#include "app/UserPanelController.h"
#include "app/WindowCommands.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "desktop/IdleTime.h"
#include "platform/HeapTrim.h"
#include "platform/LauncherBadge.h"
#include "service/Account.h"
#include "service/MentionCheck.h"
#include "service/MentionCounter.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "service/UpdateChecker.h"
#include "service/UserLookup.h"
#include "support/PostStore.h"
#include "text/LinedTextView.h"
#include "views/TimelineListView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QThreadPool>

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
    m_window = new MainWindow();
    m_posts = new PostsArrayController(this);
    m_window->setPostsController(m_posts);
    m_selection = new SelectedPost(m_posts, this);
    m_account = new Account(this);
    m_streams = new StreamLoader(m_posts, m_selection, this);
    m_streams->setApi(&m_account->api());
    m_streams->setRefreshHold([this] { return m_window && m_window->isSearchPanelVisible(); });
    m_users = new UserLookup(m_selection, this);
    m_users->setApi(&m_account->api());
    m_mentions = new MentionCounter(this);
    m_scheduler = new RefreshScheduler(this);
    m_composer = new ComposerController(m_window, m_selection, m_account, m_streams, this);
    m_windowCommands = new WindowCommands(m_window, m_streams, m_composer, this);
    m_postCommands = new PostCommands(m_selection, m_streams, m_composer, this);
    m_postActions
        = new PostActions(m_selection, m_posts, m_streams, &m_account->api(), m_window, this);
    m_savedCommands = new SavedPostCommands(&m_savedPosts, m_selection, m_posts, m_streams, this);
    m_userPanel
        = new UserPanelController(m_window, m_selection, m_account, m_streams, m_users, this);
    m_mentionCheck = new MentionCheck(&m_account->api(), m_mentions, this);
    m_notifications = new MentionNotifications(m_window, this);
    m_presenter = new StreamPresenter(m_window, m_streams, this);
    new OfflineNotice(m_window->noticeBar(), m_streams, this);
    auto *heapTrim = new HeapTrim(this);
    connect(m_streams, &StreamLoader::streamLoadFinished, heapTrim, &HeapTrim::workDone);
    connect(m_streams, &StreamLoader::storedPageShown, heapTrim, &HeapTrim::workDone);
    m_keyboardSelection = new KeyboardSelection(m_window, m_posts, this);
    // Every command once; the menus, the keys and the tray menu share them.
    m_commands = ProgramCommands::declare(*this, this);
    m_statusItem = new StatusItem(m_window, buildTrayMenu(), this);
    m_updates = new UpdateChecker(this);
    m_uploads = new ImageUploads(m_window, this);
    m_signIn = new SignInController(this);
    m_shortcuts = new ShortcutActivateDemo(m_window, m_windowCommands, nullptr, this);
    m_preferences = new PreferencesController(m_window, m_shortcuts,
        { [this] { m_statusItem->toggleStatusItem(); },
            [this] { m_windowCommands->toggleDockIcon(); },
            [this] { m_updates->checkForUpdates(); },
            [this](bool on) { m_updates->setCheckAtStartup(on); } },
        this);
    m_users->setClickGuard([this] { return m_postCommands->isDoubleClickAction(); });

    // The idle time of the desktop; without one the idle refresh is skipped.
    m_idle = IdleTime::createForDesktop();
    m_scheduler->setSecondsIdle([this]() -> std::optional<quint64> {
        return m_idle ? m_idle->secondsIdleIfKnown() : std::nullopt;
    });
    m_scheduler->setMainWindowIsKey([this] { return m_window && m_window->isActiveWindow(); });

    MainMenu::build(m_window, this, *m_commands);
    new SwipeWatcher(m_window);
    connectParts();
}

AppDelegate::~AppDelegate()
{
    // Page work on worker threads reads the cache, which goes with this object.
    if (PostPageProcessor *processor = m_streams->pageProcessor())
        processor->cancel();
    QThreadPool::globalInstance()->waitForDone();
    // The composer outlives the window it watches by a moment: nothing the
    // window does on its way out reaches it.
    m_window->composer()->disconnect(m_composer);
    delete m_window;
}

void AppDelegate::revokeCredentials()
{
    // The posts kept on this computer go with the credentials.
    SignInController::revokeCredentials([this] {
        if (m_store)
            m_store->erase();
        else
            PostStore::removeFiles(PostStore::defaultPath());
    });
}

QMenu *AppDelegate::buildTrayMenu()
{
    auto *trayMenu = new QMenu(m_window);
    m_commands->addTo(trayMenu,
        { QStringLiteral("showWindow"), QStringLiteral("newPost"), QStringLiteral("-"),
            QStringLiteral("quit") });
    return trayMenu;
}

void AppDelegate::connectParts()
{
    // Signed out, the sign-in is the program: quitting it quits.
    connect(m_signIn, &SignInController::quitRequested, QCoreApplication::instance(),
        &QCoreApplication::quit, Qt::QueuedConnection);
    // Closing the main window ends the program, and nothing else does: an
    // alert or a panel closed while the window is hidden (signed out, or
    // in the tray) would otherwise count as the last window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(m_window, &MainWindow::closedByUser, QCoreApplication::instance(),
        &QCoreApplication::quit, Qt::QueuedConnection);
    connect(m_streams, &StreamLoader::mentionsShown, this, &AppDelegate::mentionsShown);
    // A start without the service has no user yet: asked for once it answers.
    connect(m_streams, &StreamLoader::offlineChanged, m_account, [this] {
        if (!m_streams->offline() && m_account->meID().isEmpty()
            && !m_account->accessToken().isEmpty())
            m_account->getCurrentUsern();
    });

    connect(m_posts, &PostsArrayController::selectionIndexesChanged, this,
        [this] { m_selection->selectionChanged(m_streams->currentStreamKind()); });
    connect(m_selection, &SelectedPost::changed, m_window, &MainWindow::scrollToSelection);

    connect(
        m_postCommands, &PostCommands::replyRequested, m_composer, &ComposerController::doTheReply);

    connect(m_scheduler, &RefreshScheduler::refreshDue, m_streams, &StreamLoader::doTheRefreshVoid);
    connect(m_uploads, &ImageUploads::composerWanted, m_composer,
        &ComposerController::uncollapseSplitView);
    connect(m_uploads, &ImageUploads::imageUploaded, m_window->composerPane(),
        &ComposerPane::addPicture);

    connect(m_users, &UserLookup::progressStarted, m_window, &MainWindow::startProgress);
    connect(m_users, &UserLookup::progressStopped, m_window, &MainWindow::stopProgress);

    // Mentions are checked only for a signed-in user.
    connect(m_scheduler, &RefreshScheduler::mentionCheckDue, m_mentionCheck, [this] {
        if (!m_account->accessToken().isEmpty())
            m_mentionCheck->loadMentionsForNotifications();
    });
    connect(m_mentionCheck, &MentionCheck::mentionsArrived, m_notifications,
        &MentionNotifications::announce);
    connect(
        m_notifications, &MentionNotifications::mentionsWanted, this, [this] { selectView(2); });
    connect(m_notifications, &MentionNotifications::replyWanted, m_composer,
        &ComposerController::replyTo);
    connect(m_mentions, &MentionCounter::countChanged, m_window, [this](quint64 count) {
        m_window->setMentionCount(MentionCounter::counterText(count));
        LauncherBadge::setCount(count);
        m_statusItem->setNewMentionsWaiting(count > 0);
    });
}

void AppDelegate::mentionsShown()
{
    m_mentions->markSeen();
    m_scheduler->setNotificationTimer();
    m_window->setMentionCount(QString());
}

// --- Application and window lifecycle ---

void AppDelegate::applicationDidFinishLaunching()
{
    NotificationBus::defaultCenter().post(nf::didFinishLaunching);
    // Once the window is up: the update check of a start, at most once a day.
    m_updates->awakeFromNib();
}

void AppDelegate::applicationDidUpdate()
{
    NotificationBus::defaultCenter().post(nf::didUpdate);
}

void AppDelegate::applicationDidBecomeActive()
{
    NotificationBus::defaultCenter().post(nf::didBecomeActive);
    // Signed out, the sign-in window is the program: an alert of ours
    // coming forward brings no empty main window with it.
    if (Preferences::standard().value(prefs::isUserAuthDone) && !m_signIn->isSigningIn())
        m_windowCommands->applicationDidBecomeActive();
}

void AppDelegate::applicationWillResignActive()
{
    m_windowCommands->applicationWillResignActive();
}

bool AppDelegate::applicationShouldHandleReopen()
{
    return m_windowCommands->applicationShouldHandleReopen();
}

void AppDelegate::applicationWillTerminate()
{
    // Preferences are written as they change; only the two lists are saved
    // here. A list that could not be read stays absent and its file as it was.
    // The composer's draft is on disk already unless its last change was a
    // moment ago.
    m_composer->saveDraftNow();
    m_presenter->keepReadingPlace();
    m_account->completionWords().save();
    m_savedPosts.save();
}

void AppDelegate::windowDidBecomeMain()
{
    m_posts->rearrangeObjects();
}

void AppDelegate::windowWillClose()
{
    m_windowCommands->windowWillClose();
}

void AppDelegate::windowDidChangeScreen()
{
    NotificationBus::defaultCenter().post(nf::windowDidChangeScreen);
}

void AppDelegate::windowDidEndLiveResize()
{
    m_window->reloadTableViewKeepingSelection();
}

// --- Stream selection ---

void AppDelegate::setupSidebar()
{
    StreamSideBar::setUp(m_window, this);
}

void AppDelegate::sideBarDidSelectButton(SideBar *, int row)
{
    // The list and the bar follow the stream loader, whether it takes the
    // choice or drops it.
    m_streams->selectViewWithIndex(row);
}

void AppDelegate::selectView(int tag)
{
    m_streams->selectViewWithIndex(tag);
}

void AppDelegate::newPost()
{
    m_windowCommands->openWindow();
    m_composer->newPost();
}
