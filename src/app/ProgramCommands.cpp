#include "app/ProgramCommands.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/ImageUploads.h"
#include "app/KeyboardSelection.h"
#include "app/KeyboardShortcutsWindow.h"
#include "app/MainWindow.h"
#include "app/MentionNotifications.h"
#include "app/PostActions.h"
#include "app/PreferencesController.h"
#include "app/SavedPostCommands.h"
#include "app/StatusItem.h"
#include "app/UserPanelController.h"
#include "app/WindowCommands.h"
#include "service/Account.h"
#include "service/StreamLoader.h"
#include "service/UpdateChecker.h"

#include <QCoreApplication>

namespace ProgramCommands {

namespace {

QKeySequence keys(QKeyCombination combination)
{
    return QKeySequence(combination);
}

} // namespace

CommandTable *declare(AppDelegate &app, QObject *parent)
{
    AppDelegate *d = &app;
    const auto ctrl = Qt::CTRL;
    const auto shift = Qt::SHIFT;
    // F11 everywhere, and the desktop's own full-screen key where it has another.
    QList<QKeySequence> fullScreenKeys { keys(Qt::Key_F11) };
    if (const QKeySequence desktopKey(QKeySequence::FullScreen);
        !desktopKey.isEmpty() && desktopKey != fullScreenKeys.first())
        fullScreenKeys << desktopKey;

    QList<Command> commands = {
        // Writing and the window.
        { "newPost", "New Post", { QKeySequence::New }, [d] { d->newPost(); } },
        { "reply", "Reply", { keys(ctrl | shift | Qt::Key_R) },
            [d] { d->composer().doTheReply(); } },
        { "quote", "Quote", { keys(ctrl | shift | Qt::Key_Q) }, [d] { d->composer().quote(); } },
        { "attachImage", "Attach Image…", { keys(ctrl | shift | Qt::Key_A) },
            [d] { d->uploads().attachImage(); } },
        { "send", "Send", { keys(ctrl | Qt::Key_Return) }, [d] { d->composer().post(); } },
        { "close", "Close", { QKeySequence::Close, keys(Qt::Key_Escape) },
            [d] { d->windowCommands().closeWindow(); } },
        { "openAtLogin", "Open at Login", {}, [d] { d->windowCommands().addToLoginItems(); } },
        { "preferences", "Preferences…", { keys(ctrl | Qt::Key_Comma) },
            [d] { d->preferencesWindow().showPreferences(); } },
        { "revokeCredentials", "Revoke Credentials…", {}, [d] { d->revokeCredentials(); } },
        { "quit", "Quit Velto", { keys(ctrl | Qt::Key_Q) }, [] { QCoreApplication::quit(); } },
        { "showWindow", "Show Velto", {}, [d] { d->statusItem().statusItemAction(); } },

        // Streams and reading.
        { "stream0", "Stream", { keys(ctrl | Qt::Key_1) }, [d] { d->selectView(0); } },
        { "stream1", "Posts", { keys(ctrl | Qt::Key_2) }, [d] { d->selectView(1); } },
        { "stream2", "Mentions", { keys(ctrl | Qt::Key_3) }, [d] { d->selectView(2); } },
        { "stream3", "Global", { keys(ctrl | Qt::Key_4) }, [d] { d->selectView(3); } },
        { "stream4", "Starred", { keys(ctrl | Qt::Key_5) }, [d] { d->selectView(4); } },
        { "refresh", "Refresh", { QKeySequence::Refresh, keys(ctrl | Qt::Key_R) },
            [d] { d->streams().doTheRefreshVoid(); } },
        { "loadOlderPosts", "Load Older Posts", { keys(ctrl | Qt::Key_L) },
            [d] { d->streams().loadOlderPosts(); } },
        { "savedPosts", "Saved Posts", { keys(ctrl | Qt::Key_6) },
            [d] { d->savedPostCommands().showSavedPosts(); } },
        { "back", "Back", { QKeySequence::Back }, [d] { d->streams().goBack(); } },
        { "nextPost", "Next Post", { keys(Qt::Key_Down) },
            [d] { d->keyboardSelection().selectNext(); } },
        { "previousPost", "Previous Post", { keys(Qt::Key_Up) },
            [d] { d->keyboardSelection().selectPrevious(); } },
        { "pageDown", "Page Down", { keys(Qt::Key_PageDown) },
            [d] { d->keyboardSelection().selectPageAway(1); } },
        { "pageUp", "Page Up", { keys(Qt::Key_PageUp) },
            [d] { d->keyboardSelection().selectPageAway(-1); } },
        { "firstPost", "First Post", { keys(Qt::Key_Home) },
            [d] { d->keyboardSelection().selectFirst(); } },
        { "lastPost", "Last Post", { keys(Qt::Key_End) },
            [d] { d->keyboardSelection().selectLast(); } },

        // The selected post.
        { "showConversation", "Show Conversation", { keys(ctrl | Qt::Key_T) },
            [d] { d->streams().showConversation(); } },
        { "star", "Star Post", { keys(ctrl | Qt::Key_D) },
            [d] { d->postActions().starOrUnstarPost(); } },
        { "copyPost", "Copy Post", { keys(ctrl | shift | Qt::Key_C) },
            [d] { d->postActions().copyPostToClipboard(); } },
        { "copyLink", "Copy Link to Post", { keys(ctrl | shift | Qt::Key_L) },
            [d] { d->postActions().copyLinkToPost(); } },
        { "openInBrowser", "Open in Browser", { keys(ctrl | shift | Qt::Key_O) },
            [d] { d->postActions().openPostInBrowser(); } },
        { "openSource", "Open Source Application", {}, [d] { d->postActions().openSource(); } },
        { "savePost", "Save Post", { keys(ctrl | Qt::Key_S) },
            [d] { d->savedPostCommands().savePost(); } },
        { "deleteSavedPost", "Delete Saved Post", {},
            [d] { d->savedPostCommands().deleteSavedPost(); } },
        { "deletePost", "Delete Post…", { QKeySequence::Delete },
            [d] { d->postActions().deletePost(); } },

        // Users.
        { "showUser", "Show User", { keys(ctrl | Qt::Key_I) },
            [d] { d->users().showUserInfoPanel(); } },
        { "muteUser", "Mute User…", {}, [d] { d->users().muteUser(); } },
        { "searchTag", "Search For Tag…", { keys(ctrl | Qt::Key_F) },
            [d] { d->users().openSearchWindow(); } },
        { "searchUser", "Search For User…", { keys(ctrl | shift | Qt::Key_F) },
            [d] { d->users().openUserSearchWindow(); } },
        { "followMaker", "Follow @VELTO", {}, [d] { d->account().followVELTO(); } },

        // The view; the checkable ones act on their new state (MainMenu).
        { "fullScreen", "Full Screen", fullScreenKeys, nullptr, true },
        { "showInTray", "Show in Tray", {}, nullptr, true },

        // Help.
        { "about", "About Velto", {}, [d] { d->windowCommands().showAbout(); } },
        { "quickHelp", "Quick Help", {}, [d] { d->windowCommands().quickHelp(); } },
        { "keyboardShortcuts", "Keyboard Shortcuts", { keys(Qt::Key_F1) }, nullptr },
        { "support", "Support", {}, [d] { d->windowCommands().openSupport(); } },
        { "feedback", "Send Feedback", {}, [d] { d->windowCommands().provideFeedback(); } },
        { "testNotification", "Send Test Notification", {},
            [d] { d->notifications().sendNotification(); } },
        { "checkForUpdates", "Check for Updates…", {}, [d] { d->updates().checkForUpdates(); } },
        { "moreApplications", "More Applications", {},
            [d] { d->windowCommands().openAppWebsite(); } },
        { "website", "Velto Website", {}, [d] { d->windowCommands().openVELTO(); } },
        { "onService", "Velto on the Service", {}, [d] { d->windowCommands().openAppDotNet(); } },
    };

    const QList<MenuLayout> menus = {
        { "&File",
            { "newPost", "reply", "quote", "attachImage", "send", "close", "-", "openAtLogin",
                "preferences", "-", "revokeCredentials", "-", "quit" } },
        { "&Stream",
            { "stream0", "stream1", "stream2", "stream3", "stream4", "-", "refresh",
                "loadOlderPosts", "showConversation", "savedPosts", "back", "-", "nextPost",
                "previousPost", "pageDown", "pageUp", "firstPost", "lastPost" } },
        { "&Post",
            { "showConversation", "reply", "quote", "-", "star", "copyPost", "copyLink",
                "openInBrowser", "openSource", "savePost", "deleteSavedPost", "-", "deletePost" } },
        { "&User", { "showUser", "muteUser", "-", "searchTag", "searchUser", "-", "followMaker" } },
        { "&View", { "fullScreen", "showInTray" } },
        { "&Help",
            { "about", "quickHelp", "keyboardShortcuts", "support", "feedback", "testNotification",
                "checkForUpdates", "-", "moreApplications", "website", "onService" } },
    };

    auto *table = new CommandTable(commands, menus, parent);
    QObject::connect(table->action(QStringLiteral("keyboardShortcuts")), &QAction::triggered, table,
        [d, table] { KeyboardShortcutsWindow::show(d->window(), *table); });
    return table;
}

} // namespace ProgramCommands
