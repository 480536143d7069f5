#pragma once

#include "core/StreamKind.h"
#include "service/SavedPostList.h"
#include "views/SideBarDelegate.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class Account;
class CommandTable;
class ComposerController;
class IdleTime;
class ImageUploads;
class KeyboardSelection;
class MainWindow;
class MentionCheck;
class MentionCounter;
class MentionNotifications;
class PostActions;
class PostCommands;
class PostStore;
class StreamPresenter;
class PostsArrayController;
class PreferencesController;
class QMenu;
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

// The program's controller. It runs the start-up, builds the main window and
// the parts that do the work, each with one subject (the account, the shown
// stream, the selected post, refresh scheduling, the composer, the window's
// commands, the post commands, the mention count), and connects them. The
// commands of the menus, keys and buttons are declared once
// (ProgramCommands); the bus names that views post reach the parts through
// thin adapters here.
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

    // The window comes forward with the composer open.
    void newPost();
    // Asks, then signs out and restarts.
    void revokeCredentials();

    CommandTable &commands() const { return *m_commands; }
    KeyboardSelection &keyboardSelection() const { return *m_keyboardSelection; }
    MainWindow *window() const { return m_window; }
    SignInController &signIn() const { return *m_signIn; }
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
    MentionNotifications &notifications() const { return *m_notifications; }
    UserLookup &userLookup() const { return *m_users; }
    // Null until a signed-in start.
    PostStore *postStore() const { return m_store; }

Q_SIGNALS:
    void signInStarted();

private:
    void connectParts();
    void createFolderAndFiles();
    void createCache();
    void subscribeToNotifications();
    void showSignIn();
    void startSignedIn();
    void loadFirstStream();
    void mentionsShown();
    QMenu *buildTrayMenu();

    MainWindow *m_window = nullptr;
    CommandTable *m_commands = nullptr;
    KeyboardSelection *m_keyboardSelection = nullptr;
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
    StreamPresenter *m_presenter = nullptr;
    // The main streams' last pages; made by a signed-in start.
    PostStore *m_store = nullptr;
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
