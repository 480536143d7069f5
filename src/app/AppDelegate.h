#pragma once

#include "core/StreamKind.h"
#include "service/SavedPostList.h"
#include "views/SideBarDelegate.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class Account;
class AuthWindow;
class ComposerController;
class IdleTime;
class ImageUploads;
class MainWindow;
class MentionCheck;
class MentionCounter;
class MentionNotifications;
class PostActions;
class PostCommands;
class PostPageProcessor;
class PostsArrayController;
class PreferencesController;
class ShortcutActivateDemo;
class RefreshScheduler;
class SavedPostCommands;
class SelectedPost;
class SignInController;
class StatusItem;
class StreamLoader;
class UpdateChecker;
class UserLookup;
class UserPanelController;
class WindowCommands;

// The program's controller. It runs the start-up, owns the main window and
// the parts that do the work, each with one subject: the account, stream
// loading, the selected post, refresh scheduling, the composer, the window's
// commands, the post commands and the mention count. It keeps the
// operation names the rest of the program knows and forwards them; other
// components never call it but post named notifications on the bus.
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

    // Stream selection.
    void setupSidebar();
    void sideBarDidSelectButton(SideBar *sender, int row) override;
    void selectView(int tag);
    void selectNextPost();
    void selectPrevious();
    // Page Down / Page Up move the selection by the list's height; Home and
    // End go to the first and the last post.
    void selectPageAway(int direction);
    void selectFirstPost();
    void selectLastPost();

    // Stream loading.
    void getStreamWithKind(StreamKind kind, const QVariantMap &params);
    void doTheRefreshVoid();
    void refreshByPull();
    void loadOlderPosts();
    void streamUp();
    void streamDown();
    void loadHashNotification();
    void loadUserNotification();
    void conversationNotification();
    void showConversation();
    void goBack();
    void doubleClickAction();

    // Acting on the selected post.
    void starOrUnstarPost();
    void deletePost();
    void copyLinkToPost();
    void openPostInBrowser();
    void openSource();
    void copyPostToClipboard();
    // Users: the panel, muting, searching, following the maker.
    void showUserInfo();
    void loadModalUserInfo();
    void muteUser();
    void openSearchWindow();
    void openUserSearchWindow();
    void followVELTO();
    // A notification like a mention's, to see that they reach the desktop.
    void sendNotification();
    // Makes or drops the tray item as "prefsShowStatusItem" now says.
    void toggleStatusItem();
    void checkForUpdates();
    void showPreferences();
    // Images in posts: the dropped file, or one chosen.
    void uploadImage();
    void attachImage();
    // Keeping posts locally.
    void savePost();
    void showSavedPosts();
    void deleteSavedPost();

    // The window and the composer pane.
    void openWindow();
    void closeWindow();
    void newPost();
    // Writing: a reply or a quote of the selected post, and sending.
    void reply();
    void replyNotification();
    void doTheReply();
    void quote();
    void quoteNotification();
    void post();
    void setFullScreen(bool fullScreen);
    void toggleDockIcon();
    void addToLoginItems();
    void showAbout();
    void quickHelp();
    void openSupport();
    void provideFeedback();
    void openAppWebsite();
    void openVELTO();
    void openAppDotNet();
    // Asks, then signs out and restarts.
    void revokeCredentials();

    MainWindow *window() const { return m_window; }
    AuthWindow *authWindow() const;
    PostsArrayController *postsArrayController() const { return m_posts; }

    Account &account() const { return *m_account; }
    StreamLoader &streams() const { return *m_streams; }
    SelectedPost &selection() const { return *m_selection; }
    RefreshScheduler &scheduler() const { return *m_scheduler; }
    ComposerController &composer() const { return *m_composer; }
    WindowCommands &windowCommands() const { return *m_windowCommands; }
    PostCommands &postCommands() const { return *m_postCommands; }
    PostActions &postActions() const { return *m_postActions; }
    MentionCounter &mentions() const { return *m_mentions; }
    MentionCheck &mentionCheck() const { return *m_mentionCheck; }
    StatusItem &statusItem() const { return *m_statusItem; }
    UpdateChecker &updates() const { return *m_updates; }
    ImageUploads &uploads() const { return *m_uploads; }
    SavedPostList &savedPosts() { return m_savedPosts; }
    SavedPostCommands &savedPostCommands() const { return *m_savedCommands; }
    UserPanelController &users() const { return *m_userPanel; }
    ShortcutActivateDemo &shortcuts() const { return *m_shortcuts; }
    PreferencesController &preferencesWindow() const { return *m_preferences; }

    // Replaces where page avatars come from (tests and benchmarks).
    void setPageProcessor(PostPageProcessor *processor);

Q_SIGNALS:
    // A stream load was asked for (kind and parameters as given).
    void streamRequested(StreamKind kind, const QVariantMap &params);
    // A load finished (successfully or not) and the flags are clear again.
    void streamLoadFinished(bool succeeded);
    void signInStarted();
    // The user record to show in the user panel has arrived.
    void userPanelRequested(const QVariantMap &user);

private:
    void connectParts();
    void createFolderAndFiles();
    void createCache();
    void runFirstStartAndMigrations();
    void subscribeToNotifications();
    void showSignIn();
    void startSignedIn();
    void mentionsShown();

    MainWindow *m_window = nullptr;
    SignInController *m_signIn = nullptr;
    PostsArrayController *m_posts = nullptr;
    SelectedPost *m_selection = nullptr;
    Account *m_account = nullptr;
    StreamLoader *m_streams = nullptr;
    UserLookup *m_users = nullptr;
    MentionCounter *m_mentions = nullptr;
    RefreshScheduler *m_scheduler = nullptr;
    ComposerController *m_composer = nullptr;
    WindowCommands *m_windowCommands = nullptr;
    PostCommands *m_postCommands = nullptr;
    PostActions *m_postActions = nullptr;
    SavedPostList m_savedPosts;
    SavedPostCommands *m_savedCommands = nullptr;
    UserPanelController *m_userPanel = nullptr;
    MentionCheck *m_mentionCheck = nullptr;
    MentionNotifications *m_notifications = nullptr;
    StatusItem *m_statusItem = nullptr;
    UpdateChecker *m_updates = nullptr;
    ImageUploads *m_uploads = nullptr;
    ShortcutActivateDemo *m_shortcuts = nullptr;
    PreferencesController *m_preferences = nullptr;
    std::unique_ptr<IdleTime> m_idle;
    bool m_awake = false;
};
