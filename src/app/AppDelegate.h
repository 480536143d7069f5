#pragma once

#include "app/StreamKind.h"
#include "views/SideBarDelegate.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QJsonValue>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class ApiClient;
class AboutWindow;
class AuthWindow;
class IdleTime;
class MainWindow;
class PostPageProcessor;
class PostsArrayController;
struct ApiResult;
struct PostRecord;
class Preferences;

// The one controller of the program: it owns the state of the main window and
// runs start-up, stream selection, loading and the window commands. Other
// components never call it; they post named notifications on the bus.
//
// Its behaviour is split by subject over several source files
// (AppDelegate*.cpp); this header is the one list of its state.
class AppDelegate : public QObject, public SideBarDelegate {
    Q_OBJECT
public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // Start-up, once, after the windows exist.
    void awakeFromNib();

    // Application and main-window lifecycle (wired to Qt by LifecycleWatcher).
    void applicationDidFinishLaunching();
    void applicationDidUpdate();
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    void applicationWillTerminate();
    bool applicationShouldHandleReopen();
    void windowDidBecomeMain();
    void windowWillClose();
    void windowDidChangeScreen();
    void windowDidEndLiveResize();

    // Stream selection and refresh scheduling.
    quint64 refreshInterval() const;
    void setRefreshTimer();
    void refreshCurrentStream();
    void resetIdleTimer();
    void printIdleTime();
    void sleepNotification();
    void wakeNotification();
    void refreshByPull();
    void setupSidebar();
    void sideBarDidSelectButton(int row);
    void sideBarDidSelectButton(SideBar *sender, int row) override;
    void selectView(int tag);
    void selectViewWithIndex(int row);
    void selectNextPost();
    void selectPrevious();
    // The selection of the list changed: derive the facts of the selected post.
    void selectionIndexesChanged();

    // Stream loading.
    QString streamCountString() const;
    void getStreamWithKind(quint64 kind, const QVariantMap &params);
    void getStreamForCurrentUserWithParams(const QVariantMap &params);
    void getStreamForHashtag(const QString &hashtag, const QVariantMap &params);
    void getStreamForReply(const QString &postId);
    void showConversation();
    void doubleClickAction();
    void requestUserDictionaryFromID(const QString &userId);
    void doTheRefreshVoid();
    void loadOlderPosts();
    void streamUp();
    void streamDown();
    void loadHashNotification();
    void loadUserNotification();
    void conversationNotification();

    // Window and composer pane.
    void openWindow();
    void fadeWindowIn();
    void goBack();
    void setFullScreen(bool fullScreen);
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
    void collapseSplitView();
    void uncollapseSplitView();
    void closeWindow();
    void newPost();
    void replyNotification();
    void quoteNotification();
    void showUserInfoPanel();
    void loadModalUserInfo();
    void uploadImage();
    void makeResponder();

    // Sign-in, the signed-in user, mentions.
    void doTheAuth();
    void readTokenFromDefaults();
    void askToFollowVelto();
    void getCurrentUsern();
    void loadCurrentUserFollowing();
    void setNotificationTimer();
    void checkForMentions();
    void makeStatusItem();

    MainWindow *window() const;
    AuthWindow *authWindow() const;

    // --- State (read by tests and by the split-out behaviour files) ---
    struct State {
        quint64 currentStreamKind = 0;
        quint64 oldStreamType = 0;
        quint64 currentPostType = 0;
        quint64 internNotificationCount = 0;
        bool isPostingAllowed = false;
        bool canActivateItself = false;
        bool isDoubleClickAction = false;
        bool shouldBeRefreshed = false;
        bool areNewNotificationsAvailable = false;
        bool isCurrentlyLoading = false;
        bool isSavedPostsVisible = false;
        bool isRefreshAction = false;
        bool isPostAvailable = false;
        bool isFullscreen = false;
        bool hasReplies = false;
        bool isMe = false;
        bool isPostStarred = false;
        bool ignoreErrors = false;
        QString numberOfNewNotifications;
        QString refreshID;
        QString replyOrQuoteID;
        QString sourceName;
        QString currentPostID;
        QString accessToken;
        QString meID;
        QString meUsername;
        QVariantMap meDictionary;
        QVariantMap currentDictionary;
        QVariantMap requstedUserDictionary;
        QString remoteURL;
        // nullopt: the file could not be read, so it is left alone at quit.
        std::optional<QStringList> autocompletionArray;
        std::optional<QVariantList> savedPosts;
        QString savePath;
        QString savePathPosts;
    };
    State &state() { return m_state; }
    const State &state() const { return m_state; }

    PostsArrayController *postsArrayController() const { return m_posts; }
    ApiClient &api() const { return *m_api; }
    // Replaces where page avatars come from (tests and benchmarks).
    void setPageProcessor(PostPageProcessor *processor);

    QTimer *currentRefreshTimer() const { return m_currentRefreshTimer; }
    QTimer *idlePollTimer() const { return m_timer; }
    QTimer *notificationTimer() const { return m_notificationTimer; }

    // The reader of the user's idle time in seconds; nullopt when the desktop
    // cannot tell (the idle refresh is then skipped).
    using SecondsIdle = std::function<std::optional<quint64>()>;
    void setSecondsIdle(SecondsIdle secondsIdle) { m_secondsIdle = std::move(secondsIdle); }
    // Whether the main window is the key (active) window; replaceable for tests.
    using KeyWindowTest = std::function<bool()>;
    void setMainWindowIsKey(KeyWindowTest test) { m_mainWindowIsKey = std::move(test); }
    bool mainWindowIsKey() const;

Q_SIGNALS:
    // A stream load was asked for (kind and parameters as given).
    void streamRequested(quint64 kind, const QVariantMap &params);
    void signInStarted();
    // A load finished (successfully or not) and the flags are clear again.
    void streamLoadFinished(bool succeeded);
    // The user record to show in the user panel has arrived.
    void userPanelRequested();

private:
    void createFolderAndFiles();
    void createCache();
    void runFirstStartAndMigrations();
    void subscribeToNotifications();
    void applyDockMode();
    void startSignedIn();
    void sendStreamRequest(quint64 kind, const QString &pathValue, const QVariantMap &params,
                           bool topLevel);
    void streamAnswered(const ApiResult &result, bool topLevel);
    void processDataWithArray(const QJsonValue &answer, std::function<void()> done);
    void installRecords(const QList<PostRecord> &records);
    void finishStreamLoad(bool succeeded);
    void openMakerPage(const QString &path);
    void replaceTimer(QPointer<QTimer> &slot, int intervalMs, void (AppDelegate::*action)());
    Preferences &prefs() const;

    State m_state;
    std::unique_ptr<IdleTime> m_idle;
    SecondsIdle m_secondsIdle;
    KeyWindowTest m_mainWindowIsKey;
    QPointer<QTimer> m_timer;
    QPointer<QTimer> m_currentRefreshTimer;
    QPointer<QTimer> m_notificationTimer;
    QPointer<MainWindow> m_window;
    QPointer<AuthWindow> m_authWindow;
    QPointer<AboutWindow> m_aboutWindow;
    PostsArrayController *m_posts = nullptr;
    PostPageProcessor *m_processor = nullptr;
    std::unique_ptr<ApiClient> m_api;
    std::function<void()> m_processingDone;
    bool m_probeInFlight = false;
    bool m_awake = false;
};
