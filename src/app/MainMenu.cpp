#include "app/MainMenu.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PostActions.h"
#include "app/SavedPostCommands.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "views/SRValidator.h"
#include "views/TimelineListView.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace MainMenu {

namespace {

QAction *addCommand(QMenu *menu, const QString &title, AppDelegate *delegate,
    void (AppDelegate::*command)(), const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(title, delegate, command);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

// Every post command, with the title and state the selected post gives it.
QList<QAction *> addPostCommands(QMenu *menu, MainWindow *window, AppDelegate *delegate)
{
    QAction *conversation = addCommand(menu, QStringLiteral("Show Conversation"), delegate,
        &AppDelegate::showConversation, QKeySequence(Qt::CTRL | Qt::Key_T));
    QAction *reply = menu->addAction(QStringLiteral("Reply"), delegate,
        [] { NotificationBus::defaultCenter().post(nf::reply); });
    QAction *quote = menu->addAction(QStringLiteral("Quote"), delegate,
        [] { NotificationBus::defaultCenter().post(nf::quote); });
    QAction *first = menu->addSeparator();
    QAction *star = addCommand(menu, QStringLiteral("Star Post"), delegate,
        &AppDelegate::starOrUnstarPost, QKeySequence(Qt::CTRL | Qt::Key_D));
    QAction *copy = addCommand(menu, QStringLiteral("Copy Post"), delegate,
        &AppDelegate::copyPostToClipboard, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QAction *link = addCommand(menu, QStringLiteral("Copy Link to Post"), delegate,
        &AppDelegate::copyLinkToPost, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    QAction *browser = addCommand(menu, QStringLiteral("Open in Browser"), delegate,
        &AppDelegate::openPostInBrowser, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    QAction *source = addCommand(
        menu, QStringLiteral("Open Source Application"), delegate, &AppDelegate::openSource);
    QAction *save = addCommand(menu, QStringLiteral("Save Post"), delegate, &AppDelegate::savePost,
        QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction *unsave = addCommand(
        menu, QStringLiteral("Delete Saved Post"), delegate, &AppDelegate::deleteSavedPost);
    QAction *second = menu->addSeparator();
    QAction *remove = addCommand(menu, QStringLiteral("Delete Post…"), delegate,
        &AppDelegate::deletePost, QKeySequence(QKeySequence::Delete));
    for (QAction *action : { conversation, star, copy, link, browser, save, remove })
        action->setShortcutContext(Qt::WindowShortcut);
    window->addActions({ conversation, star, copy, link, browser, save, remove });
    // A saved post can be deleted while the saved posts are shown.
    unsave->setVisible(false);
    QObject::connect(&delegate->savedPostCommands(), &SavedPostCommands::savedViewShownChanged,
        unsave, &QAction::setVisible);

    // The star command says what it will do; delete is offered on one's own posts.
    auto follow = [delegate, star, remove] {
        star->setText(delegate->postActions().starItemTitle());
        remove->setEnabled(delegate->postActions().canDelete());
        remove->setVisible(delegate->postActions().canDelete());
    };
    QObject::connect(&delegate->postActions(), &PostActions::stateChanged, star, follow);
    follow();
    return { conversation, reply, quote, first, star, copy, link, browser, source, save, unsave,
        second, remove };
}

} // namespace

void build(MainWindow *window, AppDelegate *delegate)
{
    QMenuBar *bar = window->menuBar();
    // A recorded shortcut must not take one of these.
    SRValidator::setApplicationMainMenu(bar);

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    QAction *newPost = file->addAction(QStringLiteral("New Post"), delegate, &AppDelegate::newPost);
    newPost->setShortcut(QKeySequence::New);
    QAction *reply = file->addAction(QStringLiteral("Reply"), delegate, &AppDelegate::reply);
    reply->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    QAction *quote = file->addAction(QStringLiteral("Quote"), delegate, &AppDelegate::quote);
    quote->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    QAction *attach
        = file->addAction(QStringLiteral("Attach Image…"), delegate, &AppDelegate::attachImage);
    attach->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QAction *send = file->addAction(QStringLiteral("Send"), delegate, &AppDelegate::post);
    send->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    // The composer takes Ctrl+Return itself while it has the focus.
    send->setShortcutContext(Qt::WindowShortcut);
    QAction *close = file->addAction(QStringLiteral("Close"), delegate, &AppDelegate::closeWindow);
    close->setShortcuts({ QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape) });
    file->addSeparator();
    file->addAction(QStringLiteral("Open at Login"), delegate, &AppDelegate::addToLoginItems);
    QAction *preferences
        = file->addAction(QStringLiteral("Preferences…"), delegate, &AppDelegate::showPreferences);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    // Without a menu bar (agent mode) the window still answers Ctrl+,.
    window->addAction(preferences);
    file->addSeparator();
    file->addAction(
        QStringLiteral("Revoke Credentials…"), delegate, &AppDelegate::revokeCredentials);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("Quit Velto"), qApp, &QApplication::quit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *stream = bar->addMenu(QStringLiteral("&Stream"));
    const char *titles[] = { "Stream", "Posts", "Mentions", "Global", "Starred" };
    for (int tag = 0; tag < 5; ++tag) {
        QAction *item = stream->addAction(QString::fromLatin1(titles[tag]), delegate,
            [delegate, tag] { delegate->selectView(tag); });
        item->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + tag)));
        item->setData(tag);
    }
    stream->addSeparator();
    QAction *refresh
        = stream->addAction(QStringLiteral("Refresh"), delegate, &AppDelegate::doTheRefreshVoid);
    refresh->setShortcuts(
        { QKeySequence(QKeySequence::Refresh), QKeySequence(Qt::CTRL | Qt::Key_R) });
    QAction *older = stream->addAction(
        QStringLiteral("Load Older Posts"), delegate, &AppDelegate::loadOlderPosts);
    older->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    stream->addAction(
        QStringLiteral("Show Conversation"), delegate, &AppDelegate::showConversation);
    QAction *saved
        = stream->addAction(QStringLiteral("Saved Posts"), delegate, &AppDelegate::showSavedPosts);
    saved->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_6));
    QAction *back = stream->addAction(QStringLiteral("Back"), delegate, &AppDelegate::goBack);
    back->setShortcut(QKeySequence::Back);
    stream->addSeparator();
    // Arrow keys move the selection; while the composer has focus it keeps them.
    QAction *next
        = stream->addAction(QStringLiteral("Next Post"), delegate, &AppDelegate::selectNextPost);
    next->setShortcut(QKeySequence(Qt::Key_Down));
    QAction *previous = stream->addAction(
        QStringLiteral("Previous Post"), delegate, &AppDelegate::selectPrevious);
    previous->setShortcut(QKeySequence(Qt::Key_Up));
    QAction *pageDown = stream->addAction(
        QStringLiteral("Page Down"), delegate, [delegate] { delegate->selectPageAway(1); });
    pageDown->setShortcut(QKeySequence(Qt::Key_PageDown));
    QAction *pageUp = stream->addAction(
        QStringLiteral("Page Up"), delegate, [delegate] { delegate->selectPageAway(-1); });
    pageUp->setShortcut(QKeySequence(Qt::Key_PageUp));
    QAction *firstPost
        = stream->addAction(QStringLiteral("First Post"), delegate, &AppDelegate::selectFirstPost);
    firstPost->setShortcut(QKeySequence(Qt::Key_Home));
    QAction *lastPost
        = stream->addAction(QStringLiteral("Last Post"), delegate, &AppDelegate::selectLastPost);
    lastPost->setShortcut(QKeySequence(Qt::Key_End));

    QMenu *post = bar->addMenu(QStringLiteral("&Post"));
    const QList<QAction *> postActions = addPostCommands(post, window, delegate);

    QMenu *user = bar->addMenu(QStringLiteral("&User"));
    QAction *showUser = addCommand(user, QStringLiteral("Show User"), delegate,
        &AppDelegate::showUserInfo, QKeySequence(Qt::CTRL | Qt::Key_I));
    QAction *mute
        = addCommand(user, QStringLiteral("Mute User…"), delegate, &AppDelegate::muteUser);
    user->addSeparator();
    addCommand(user, QStringLiteral("Search For Tag…"), delegate, &AppDelegate::openSearchWindow,
        QKeySequence(Qt::CTRL | Qt::Key_F));
    addCommand(user, QStringLiteral("Search For User…"), delegate,
        &AppDelegate::openUserSearchWindow, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    user->addSeparator();
    addCommand(user, QStringLiteral("Follow @VELTO"), delegate, &AppDelegate::followVELTO);
    // Muting is for other people's posts.
    QObject::connect(&delegate->postActions(), &PostActions::stateChanged, mute,
        [delegate, mute] { mute->setEnabled(!delegate->postActions().canDelete()); });

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    QAction *fullScreen = view->addAction(QStringLiteral("Full Screen"));
    fullScreen->setCheckable(true);
    // F11 everywhere, and the desktop's own key where it has another.
    QList<QKeySequence> fullScreenKeys { QKeySequence(Qt::Key_F11) };
    if (const QKeySequence desktopKey(QKeySequence::FullScreen);
        !desktopKey.isEmpty() && desktopKey != fullScreenKeys.first())
        fullScreenKeys << desktopKey;
    fullScreen->setShortcuts(fullScreenKeys);
    QObject::connect(fullScreen, &QAction::toggled, delegate, &AppDelegate::setFullScreen);
    QObject::connect(window, &MainWindow::fullScreenChanged, fullScreen, [fullScreen](bool on) {
        const QSignalBlocker blocker(fullScreen);
        fullScreen->setChecked(on);
    });

    QAction *tray = view->addAction(QStringLiteral("Show in Tray"));
    tray->setCheckable(true);
    tray->setChecked(Preferences::standard().value(prefs::prefsShowStatusItem));
    QObject::connect(tray, &QAction::toggled, delegate, [delegate](bool on) {
        if (Preferences::standard().value(prefs::prefsShowStatusItem) != on)
            Preferences::standard().setValue(prefs::prefsShowStatusItem, on);
        delegate->toggleStatusItem();
    });
    // The preferences window sets it too.
    QObject::connect(
        &Preferences::standard(), &Preferences::changed, tray, [tray](const QString &key) {
            if (key != prefs::prefsShowStatusItem.key())
                return;
            const QSignalBlocker blocker(tray);
            tray->setChecked(Preferences::standard().value(prefs::prefsShowStatusItem));
        });

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("About Velto"), delegate, &AppDelegate::showAbout);
    help->addAction(QStringLiteral("Quick Help"), delegate, &AppDelegate::quickHelp);
    help->addAction(QStringLiteral("Support"), delegate, &AppDelegate::openSupport);
    help->addAction(QStringLiteral("Send Feedback"), delegate, &AppDelegate::provideFeedback);
    help->addAction(
        QStringLiteral("Send Test Notification"), delegate, &AppDelegate::sendNotification);
    help->addAction(QStringLiteral("Check for Updates…"), delegate, &AppDelegate::checkForUpdates);
    help->addSeparator();
    help->addAction(QStringLiteral("More Applications"), delegate, &AppDelegate::openAppWebsite);
    help->addAction(QStringLiteral("Velto Website"), delegate, &AppDelegate::openVELTO);
    help->addAction(QStringLiteral("Velto on the Service"), delegate, &AppDelegate::openAppDotNet);

    // The list's menus: what can be done with the selected post, the same
    // actions as the Post menu's, so their titles and states agree.
    auto *postMenu = new QMenu(window);
    postMenu->addActions(postActions);
    postMenu->addSeparator();
    postMenu->addActions({ showUser, mute });
    postMenu->addSeparator();
    postMenu->addAction(refresh);
    window->listView()->setContextMenu(postMenu);
    window->listView()->setItemMenu(postMenu);
    QObject::connect(window->listView(), &TimelineListView::rowDoubleClicked, delegate,
        [delegate](int) { delegate->doubleClickAction(); });

    QObject::connect(window, &MainWindow::backClicked, delegate, &AppDelegate::goBack);
    QObject::connect(window, &MainWindow::refreshClicked, delegate, &AppDelegate::doTheRefreshVoid);
    QObject::connect(window, &MainWindow::newPostClicked, delegate, &AppDelegate::newPost);
}

} // namespace MainMenu
