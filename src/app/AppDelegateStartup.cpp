// Start-up: folder and files, first start and migrations, timers,
// subscriptions, then either the sign-in window or the first stream.
#include "app/AppDelegate.h"

#include "app/AppPaths.h"
#include "app/AuthWindow.h"
#include "app/DataFiles.h"
#include "app/MainWindow.h"
#include "app/NotificationBus.h"
#include "app/NotificationNames.h"
#include "app/Preferences.h"
#include "app/WindowPlacement.h"
#include "platform/AlertPresenter.h"
#include "platform/SleepWatcher.h"
#include "service/PostsArrayController.h"

#include <QDebug>
#include <QDir>

namespace {

const QString welcomeTitle = QStringLiteral("Velto Alpha");
const QString welcomeText = QStringLiteral(
    "Thank you for trying Velto. This is an early version: it is stable, but not "
    "everything is there yet, and its speed is still being improved. Please report any "
    "problem you find.");
const QString alphaTitle = QStringLiteral("What Alpha Means");
const QString alphaText = QStringLiteral(
    "Velto is at an early stage. The Help menu has the manual, the known problems and "
    "the plans. Tell us what you think from the Help menu, or in a post with the hashtag "
    "#Velto.");

} // namespace

void AppDelegate::awakeFromNib()
{
    if (m_awake)
        return;
    m_awake = true;
    State &s = m_state;

    // 1-3: a closed composer and a clean state.
    collapseSplitView();
    s.isPostingAllowed = s.canActivateItself = s.isDoubleClickAction = false;
    s.shouldBeRefreshed = s.areNewNotificationsAvailable = s.isCurrentlyLoading = false;
    s.isSavedPostsVisible = s.isRefreshAction = false;
    s.numberOfNewNotifications = QString();
    s.internNotificationCount = 0;
    m_posts->removeAllObjects();

    // 4-6: the folder and its two files.
    createFolderAndFiles();

    // 7: the response cache.
    createCache();

    // 8-10: first start and migrations, each once.
    runFirstStartAndMigrations();

    // 11: timers run from start-up, signed in or not.
    setRefreshTimer();
    setNotificationTimer();

    // 12-14: subscriptions.
    subscribeToNotifications();

    // 15-16: dock icon or agent, and the tray icon.
    applyDockMode();
    if (prefs().value(prefs::prefsShowStatusItem))
        makeStatusItem();

    // 17-19
    s.currentPostType = 0;
    if (m_window) {
        m_window->setPostButtonImage(QStringLiteral("postTemplate"));
        m_window->setListOpacity(1.0);
    }
    setupSidebar();

    // 20-22
    if (!prefs().value(prefs::isUserAuthDone)) {
        if (!m_authWindow)
            m_authWindow = new AuthWindow();
        WindowPlacement::centreOnScreen(m_authWindow);
        m_authWindow->show();
        m_authWindow->raise();
        m_authWindow->activateWindow();
        doTheAuth();
        return;
    }
    startSignedIn();
}

void AppDelegate::createFolderAndFiles()
{
    const QString folder = AppPaths::supportFolder();
    // A folder that cannot be made is not reported; the writes at quit then fail.
    if (!QDir().mkpath(folder))
        qWarning().noquote() << "Cannot create" << folder;

    m_state.savePath = folder + QLatin1Char('/') + DataFiles::autocompletionsFileName;
    m_state.autocompletionArray = DataFiles::loadAutocompletions(m_state.savePath);

    m_state.savePathPosts = folder + QLatin1Char('/') + DataFiles::savedPostsFileName;
    m_state.savedPosts = DataFiles::loadSavedPosts(m_state.savePathPosts);
    if (m_state.savedPosts && m_state.savedPosts->isEmpty())
        m_state.savedPosts->reserve(100);
}

void AppDelegate::runFirstStartAndMigrations()
{
    Preferences &p = prefs();
    if (!p.value(prefs::firstStartEver)) {
        WindowPlacement::centreOnScreen(m_window);
        p.setValue(prefs::prefsRefreshInterval, 1);
        alerts::show(welcomeTitle, welcomeText);
        p.setValue(prefs::firstStartEver, true);
    }
    if (!p.value(prefs::update042)) {
        p.setValue(prefs::prefsOnStartLoadStream, 0);
        p.setValue(prefs::prefsEnableGestures, true);
        p.setValue(prefs::update042, true);
    }
    if (!p.value(prefs::update060)) {
        p.setValue(prefs::prefsRefreshThreshold, 1);
        p.setValue(prefs::prefsRestoreSelection, true);
        p.setValue(prefs::update060, true);
    }
}

void AppDelegate::subscribeToNotifications()
{
    auto &bus = NotificationBus::defaultCenter();
    const std::pair<const QString *, void (AppDelegate::*)()> table[] = {
        {&nf::refresh, &AppDelegate::refreshByPull},
        {&nf::reply, &AppDelegate::replyNotification},
        {&nf::quote, &AppDelegate::quoteNotification},
        {&nf::conversation, &AppDelegate::conversationNotification},
        {&nf::userInfo, &AppDelegate::showUserInfoPanel},
        {&nf::loadHash, &AppDelegate::loadHashNotification},
        {&nf::loadUser, &AppDelegate::loadUserNotification},
        {&nf::newPost, &AppDelegate::newPost},
        {&nf::gestureLeft, &AppDelegate::closeWindow},
        {&nf::gestureRight, &AppDelegate::newPost},
        {&nf::gestureUp, &AppDelegate::streamUp},
        {&nf::gestureDown, &AppDelegate::streamDown},
        {&nf::loadOlderPosts, &AppDelegate::loadOlderPosts},
        {&nf::loadUserInfoModal, &AppDelegate::loadModalUserInfo},
        {&nf::uploadImage, &AppDelegate::uploadImage},
    };
    for (const auto &[name, handler] : table)
        bus.subscribe(*name, this, [this, handler = handler] { (this->*handler)(); });

    // Then the machine's sleep and wake.
    auto *sleep = new SleepWatcher(this);
    connect(sleep, &SleepWatcher::willSleep, this, &AppDelegate::sleepNotification);
    connect(sleep, &SleepWatcher::didWake, this, &AppDelegate::wakeNotification);
}

void AppDelegate::startSignedIn()
{
    Preferences &p = prefs();
    if (!p.value(prefs::alphHint20)) {
        alerts::show(alphaTitle, alphaText);
        p.setValue(prefs::alphHint20, true);
    }
    readTokenFromDefaults();
    if (!p.value(prefs::followVeltoAsked)) {
        QTimer::singleShot(900, this, &AppDelegate::askToFollowVelto);
        p.setValue(prefs::followVeltoAsked, true);
    }
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    getCurrentUsern();
    const QVariantMap params{{QStringLiteral("count"), streamCountString()}};
    qint64 row = p.value(prefs::prefsOnStartLoadStream);
    if (row < 0 || row > 4) {
        // A value the preference panel cannot write would ask for no stream at all.
        qWarning() << "prefsOnStartLoadStream" << row << "names no stream; loading the stream";
        row = 0;
    }
    getStreamWithKind(streamKindForSideBarRow(row), params);
}
