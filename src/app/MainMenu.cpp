#include "app/MainMenu.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PostActions.h"
#include "app/PostCommands.h"
#include "app/StatusItem.h"
#include "app/WindowCommands.h"
#include "core/Preferences.h"
#include "platform/BusProbe.h"
#include "service/StreamLoader.h"
#include "views/SRValidator.h"
#include "views/TimelineListView.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace MainMenu {

namespace {

// The star command says what it will do; delete is offered on one's own
// posts, muting on other people's; a saved post can be deleted while the
// saved posts are shown.
void followTheSelectedPost(AppDelegate *delegate, const CommandTable &commands)
{
    QAction *star = commands.action(QStringLiteral("star"));
    QAction *remove = commands.action(QStringLiteral("deletePost"));
    QAction *mute = commands.action(QStringLiteral("muteUser"));
    QAction *unsave = commands.action(QStringLiteral("deleteSavedPost"));
    auto follow = [delegate, star, remove, mute] {
        star->setText(delegate->postActions().starItemTitle());
        const bool own = delegate->postActions().canDelete();
        remove->setEnabled(own);
        remove->setVisible(own);
        mute->setEnabled(!own);
    };
    QObject::connect(&delegate->postActions(), &PostActions::stateChanged, star, follow);
    follow();
    auto followTheSavedView
        = [delegate, unsave] { unsave->setVisible(delegate->streams().isSavedShown()); };
    QObject::connect(
        &delegate->streams(), &StreamLoader::shownStreamChanged, unsave, followTheSavedView);
    followTheSavedView();
}

constexpr int desktopMenuPatienceMs = 3000;

void connectTheViewItems(MainWindow *window, AppDelegate *delegate, const CommandTable &commands)
{
    QAction *fullScreen = commands.action(QStringLiteral("fullScreen"));
    QObject::connect(fullScreen, &QAction::toggled, delegate,
        [delegate](bool on) { delegate->windowCommands().setFullScreen(on); });
    QObject::connect(window, &MainWindow::fullScreenChanged, fullScreen, [fullScreen](bool on) {
        const QSignalBlocker blocker(fullScreen);
        fullScreen->setChecked(on);
    });

    QAction *tray = commands.action(QStringLiteral("showInTray"));
    tray->setChecked(Preferences::standard().value(prefs::prefsShowStatusItem));
    QObject::connect(tray, &QAction::toggled, delegate, [delegate](bool on) {
        if (Preferences::standard().value(prefs::prefsShowStatusItem) != on)
            Preferences::standard().setValue(prefs::prefsShowStatusItem, on);
        delegate->statusItem().toggleStatusItem();
    });
    // The preferences window sets it too.
    QObject::connect(
        &Preferences::standard(), &Preferences::changed, tray, [tray](const QString &key) {
            if (key != prefs::prefsShowStatusItem.key())
                return;
            const QSignalBlocker blocker(tray);
            tray->setChecked(Preferences::standard().value(prefs::prefsShowStatusItem));
        });
}

void fillMenuBar(QMenuBar *bar, const CommandTable &commands)
{
    // A recorded shortcut must not take one of these.
    SRValidator::setApplicationMainMenu(bar);
    for (const MenuLayout &layout : commands.menus())
        commands.addTo(bar->addMenu(layout.title), layout.ids);
}

// A desktop's global menu takes the menu bar with calls that wait on the
// window's thread, from the moment the window is first shown: a registrar
// that is on the bus but hung would hold the window for a minute. So the
// bar stays in the window until the registrar has answered, and only then
// goes to the desktop's menu (a bar made anew, as the toolkit hands over
// only a bar made while the desktop's menu is there).
void fillAndOfferToTheDesktopsMenu(MainWindow *window, const CommandTable &commands)
{
    const QString registrar = QStringLiteral("com.canonical.AppMenu.Registrar");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!busprobe::isOffered(bus, registrar)) {
        fillMenuBar(window->menuBar(), commands);
        return;
    }
    // A bar made for the desktop's menu is handed to it as it is made.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);
    fillMenuBar(window->menuBar(), commands);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, false);
    const CommandTable *table = &commands;
    busprobe::ask(bus,
        QDBusMessage::createMethodCall(registrar,
            QStringLiteral("/com/canonical/AppMenu/Registrar"),
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")),
        desktopMenuPatienceMs, window, [window, table](bool answered) {
            if (!answered) {
                qWarning("The desktop's global menu does not answer: the menu bar stays in the "
                         "window");
                return;
            }
            // An agent shows no menu bar anywhere.
            if (window->menuBar()->isHidden())
                return;
            auto *bar = new QMenuBar;
            fillMenuBar(bar, *table);
            window->setMenuBar(bar);
        });
}

} // namespace

void build(MainWindow *window, AppDelegate *delegate, const CommandTable &commands)
{
    fillAndOfferToTheDesktopsMenu(window, commands);
    commands.action(QStringLiteral("preferences"))->setMenuRole(QAction::PreferencesRole);
    // Without a menu bar (agent mode) the window still answers every key.
    commands.addShortcutsTo(window);
    followTheSelectedPost(delegate, commands);
    connectTheViewItems(window, delegate, commands);

    // The list's menus: what can be done with the selected post, the same
    // actions as the Post menu's, so their titles and states agree.
    auto *postMenu = new QMenu(window);
    commands.addTo(postMenu,
        { QStringLiteral("showConversation"), QStringLiteral("reply"), QStringLiteral("quote"),
            QStringLiteral("-"), QStringLiteral("star"), QStringLiteral("copyPost"),
            QStringLiteral("copyLink"), QStringLiteral("openInBrowser"),
            QStringLiteral("openSource"), QStringLiteral("savePost"),
            QStringLiteral("deleteSavedPost"), QStringLiteral("-"), QStringLiteral("deletePost"),
            QStringLiteral("-"), QStringLiteral("showUser"), QStringLiteral("muteUser"),
            QStringLiteral("-"), QStringLiteral("refresh") });
    window->listView()->setContextMenu(postMenu);
    window->listView()->setItemMenu(postMenu);
    QObject::connect(window->listView(), &TimelineListView::rowDoubleClicked, delegate,
        [delegate](int) { delegate->postCommands().doubleClickAction(); });

    const CommandTable *table = &commands;
    QObject::connect(window, &MainWindow::backClicked, delegate,
        [table] { table->trigger(QStringLiteral("back")); });
    QObject::connect(window, &MainWindow::refreshClicked, delegate,
        [table] { table->trigger(QStringLiteral("refresh")); });
    QObject::connect(window, &MainWindow::newPostClicked, delegate,
        [table] { table->trigger(QStringLiteral("newPost")); });
}

} // namespace MainMenu
