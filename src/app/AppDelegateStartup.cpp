// Start-up: folder and files, first start and migrations, timers,
// subscriptions, then either the sign-in window or the first stream.
#include "app/AppDelegate.h"
#include "app/ShortcutActivateDemo.h"

#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/FirstStart.h"
#include "app/ImageUploads.h"
#include "app/MainWindow.h"
#include "app/RefreshScheduler.h"
#include "app/SignInController.h"
#include "app/StatusItem.h"
#include "app/StreamPresenter.h"
#include "app/UnreadableFilesNotice.h"
#include "app/UnwritableFilesNotice.h"
#include "app/UserPanelController.h"
#include "app/WindowCommands.h"
#include "app/WindowPlacement.h"
#include "core/AppPaths.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/SleepWatcher.h"
#include "service/Account.h"
#include "service/Network.h"
#include "service/PostsArrayController.h"
#include "service/StoredToken.h"
#include "service/StreamLoader.h"
#include "service/UserLookup.h"
#include "support/DataFiles.h"
#include "support/PostStore.h"
#include "support/cache/SDURLCache.h"
#include "views/NoticeBar.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTimer>

namespace {

constexpr int followQuestionDelayMs = 900;

const QString tokenInFileText = QStringLiteral(
    "No keyring answered, so Velto keeps its sign-in in the settings file %1, which only you can "
    "read. At a start when a keyring answers, Velto moves the sign-in there.");
const QString signInUnreadableText = QStringLiteral(
    "No keyring answered, so Velto cannot read its sign-in and loads nothing. Velto keeps its "
    "settings in %1; start Velto again once the keyring is unlocked.");

Preferences &preferences()
{
    return Preferences::standard();
}

} // namespace

void AppDelegate::awakeFromNib()
{
    if (m_awake)
        return;
    m_awake = true;

    // A closed composer and an empty list.
    m_composer->collapseSplitView();
    m_posts->removeAllObjects();

    createFolderAndFiles();
    createCache();
    FirstStart::runNoticesAndMigrations(m_window);
    WindowPlacement::keepPlaceAndSize(m_window);

    // The timers run from start-up, signed in or not.
    m_scheduler->setRefreshTimer();
    m_scheduler->setNotificationTimer();

    subscribeToNotifications();
    // The two global hot keys, from the preferences.
    m_shortcuts->init();
    m_windowCommands->applyDockMode();
    if (preferences().value(prefs::prefsShowStatusItem))
        m_statusItem->makeStatusItem();

    m_composer->setCurrentPostType(0);
    m_window->setPostButtonImage(QStringLiteral("postTemplate"));
    m_window->setListOpacity(1.0);
    setupSidebar();
    // What was being written when the program last ended comes back.
    m_composer->openDraft(AppPaths::supportFolder() + QLatin1Char('/') + DataFiles::draftFileName);
    UnreadableFilesNotice::tell(
        m_window->noticeBar(), m_savedPosts, m_account->completionWords(), m_composer->draftFile());
    UnwritableFilesNotice::watch(m_window->noticeBar(), m_savedPosts, *m_composer);

    if (!preferences().value(prefs::isUserAuthDone)) {
        showSignIn();
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
    // The saved posts and names are the user's own: the folder is theirs alone.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_account->completionWords().load(
        folder + QLatin1Char('/') + DataFiles::autocompletionsFileName);
    m_savedPosts.load(folder + QLatin1Char('/') + DataFiles::savedPostsFileName,
        preferences().value(prefs::prefsFontSize));
}

void AppDelegate::createCache()
{
    // Avatars and pictures are the user's own too, also in a folder made 0755 before.
    AppPaths::makePrivateFolder(AppPaths::cacheFolder());
    if (!SDURLCache::sharedURLCache()) {
        auto *cache = new SDURLCache(5242880, 52428800, SDURLCache::defaultCachePath(), this);
        SDURLCache::setSharedURLCache(cache);
        cache->installOn(Network::manager());
    }
    m_streams->setCache(SDURLCache::sharedURLCache());
}

void AppDelegate::subscribeToNotifications()
{
    // The names the views post: a command's name runs that command, so a row
    // button, a gesture and a menu item do one thing one way.
    auto &bus = NotificationBus::defaultCenter();
    const std::pair<const QString *, const char *> commandNames[] = {
        { &nf::refresh, "refresh" },
        { &nf::userInfo, "showUser" },
        { &nf::newPost, "newPost" },
        { &nf::reply, "reply" },
        { &nf::quote, "quote" },
        { &nf::gestureLeft, "close" },
        { &nf::gestureRight, "newPost" },
        { &nf::loadOlderPosts, "loadOlderPosts" },
    };
    for (const auto &[name, command] : commandNames)
        bus.subscribe(
            *name, this, [this, id = QString::fromLatin1(command)] { m_commands->trigger(id); });
    bus.subscribe(nf::conversation, m_streams, [this] { m_streams->conversationNotification(); });
    bus.subscribe(nf::gestureUp, m_streams, [this] { m_streams->streamUp(); });
    bus.subscribe(nf::gestureDown, m_streams, [this] { m_streams->streamDown(); });
    bus.subscribeWithArgument(nf::loadHash, m_streams,
        [this](const QVariant &hashtag) { m_streams->showHashtag(hashtag.toString()); });
    bus.subscribeWithArgument(nf::loadUser, m_users,
        [this](const QVariant &name) { m_users->loadMentionedUser(name.toString()); });
    bus.subscribeWithArgument(nf::loadUserInfoModal, m_userPanel,
        [this](const QVariant &userId) { m_userPanel->loadModalUserInfo(userId.toString()); });
    bus.subscribeWithArgument(nf::uploadImage, m_uploads,
        [this](const QVariant &path) { m_uploads->uploadImage(path.toString()); });

    // Then the machine's sleep and wake.
    auto *sleep = new SleepWatcher(this);
    connect(sleep, &SleepWatcher::willSleep, m_scheduler, &RefreshScheduler::sleepNotification);
    connect(sleep, &SleepWatcher::didWake, m_scheduler, &RefreshScheduler::wakeNotification);
}

void AppDelegate::showSignIn()
{
    m_signIn->showSignIn();
    Q_EMIT signInStarted();
}

void AppDelegate::startSignedIn()
{
    FirstStart::showEarlyVersionNoticeOnce();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // The store opens on its own thread while the keyring is asked, so the
    // last pages are ready when the first stream loads.
    m_store = new PostStore(PostStore::defaultPath(), StoreDatabase::defaultSizeCap, this);
    m_streams->setStore(m_store);
    m_presenter->setStore(m_store);
    // The window is up while the keyring is asked; nothing loads before the
    // token is known.
    StoredToken::load(m_account, [this](const StoredToken::Loaded &loaded) {
        m_account->setAccessToken(loaded.token);
        if (loaded.keyringMissing)
            m_window->noticeBar()->addNotice(
                alerts::localized(loaded.token.isEmpty() ? signInUnreadableText : tokenInFileText)
                    .arg(preferences().filePath()));
        // A token the keyring keeps but does not give is no reason to sign in again.
        if (loaded.token.isEmpty() && loaded.keyringMissing)
            return;
        // Asked once the token is known, so that a yes can be sent.
        if (!preferences().value(prefs::followVeltoAsked)) {
            // Written at once: the question comes on one start only, whatever the answer.
            QTimer::singleShot(followQuestionDelayMs, m_account, &Account::askToFollowVelto);
            preferences().setValue(prefs::followVeltoAsked, true);
        }
        loadFirstStream();
    });
}

void AppDelegate::loadFirstStream()
{
    m_account->getCurrentUsern();
    qint64 row = preferences().value(prefs::prefsOnStartLoadStream);
    if (row < 0 || row > 4) {
        // A value the preference panel cannot write would ask for no stream at all.
        qWarning() << "prefsOnStartLoadStream" << row << "names no stream; loading the stream";
        row = 0;
    }
    m_streams->getStreamWithKind(streamKindForSideBarRow(row), StreamLoader::pageParameters());
}
