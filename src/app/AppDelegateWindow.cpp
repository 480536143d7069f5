// The main window's commands: the side bar, the composer pane, the close
// command, full screen, agent mode, the login item and the help pages.
#include "app/AppDelegate.h"

#include "app/AboutWindow.h"
#include "app/MainWindow.h"
#include "app/OutsideAddresses.h"
#include "app/Preferences.h"
#include "app/WindowPlacement.h"
#include "platform/AlertPresenter.h"
#include "platform/Autostart.h"
#include "platform/Relaunch.h"
#include "platform/UrlOpener.h"
#include "service/PostsArrayController.h"
#include "views/SideBar.h"
#include "views/SideBarImages.h"

#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>

namespace {

struct SideBarRow {
    const char16_t *title;
    const char16_t *on;
    const char16_t *off;
};

constexpr SideBarRow sideBarRows[] = {
    {u"Stream", u"streamOn", u"streamOff"},
    {u"Posts", u"postsOn", u"postsOff"},
    {u"Mentions", u"mentionsOn", u"mentionsOff"},
    {u"Global", u"globalOn", u"globalOff"},
    {u"Starred", u"starredOn", u"starredOff"},
};

const QString agentWarning = QStringLiteral(
    "Without its icon in the task bar Velto runs as a tray agent: it has no menu bar of its own "
    "and can then only be reached through its global hot key, its tray icon and the standard "
    "shortcuts (Ctrl+, opens the preferences). Velto restarts itself now.");

} // namespace

void AppDelegate::setupSidebar()
{
    if (!m_window)
        return;
    SideBar *bar = m_window->sideBar();
    if (bar->numberOfRows() == 0) {
        bar->setLayoutMode(SideBar::LayoutMode::Top);
        bar->setAnimateSelection(true);
        bar->setSidebarDelegate(this);
        bar->setSelectionImage(sideBarSelectionImage(m_window->palette().color(QPalette::Base),
                                                     m_window->devicePixelRatioF()));
        for (const SideBarRow &row : sideBarRows) {
            bar->addButtonWithTitle(QString::fromUtf16(row.title), sideBarImage(QString::fromUtf16(row.on)),
                                    sideBarImage(QString::fromUtf16(row.off)));
        }
    }
    bar->selectButtonAtRow(int(prefs().value(prefs::prefsOnStartLoadStream)));
}

void AppDelegate::sideBarDidSelectButton(SideBar *, int row)
{
    sideBarDidSelectButton(row);
}

void AppDelegate::sideBarDidSelectButton(int row)
{
    if (m_window)
        m_window->fadeTableViewOut();
    selectViewWithIndex(row);
}

void AppDelegate::selectView(int tag)
{
    m_state.isRefreshAction = false;
    if (m_window)
        m_window->selectSideBarRow(tag);
    selectViewWithIndex(tag);
}

void AppDelegate::selectViewWithIndex(int row)
{
    if (m_state.isCurrentlyLoading)
        return; // the load would be dropped; keep what is shown
    m_posts->removeAllObjects();
    getStreamWithKind(streamKindForSideBarRow(row), {{QStringLiteral("count"), streamCountString()}});
}

void AppDelegate::collapseSplitView()
{
    if (m_window)
        m_window->setComposerOpen(false);
}

void AppDelegate::uncollapseSplitView()
{
    if (m_window)
        m_window->setComposerOpen(true);
}

void AppDelegate::closeWindow()
{
    if (!m_window || m_window->isSearchPanelVisible())
        return;
    m_state.isRefreshAction = false;
    if (m_window->isComposerOpen()) {
        // Text first, then the pane.
        if (!m_state.isPostAvailable && m_window->composerText().isEmpty())
            collapseSplitView();
        m_window->composer()->clear();
        m_state.isPostAvailable = false;
        m_state.currentPostType = 0;
        m_window->setPostButtonImage(QStringLiteral("postTemplate"));
        return;
    }
    if (m_state.currentStreamKind < StreamKindUser) {
        m_window->fadeOutAndHide();
        return;
    }
    goBack();
}

void AppDelegate::goBack()
{
    if (m_state.isCurrentlyLoading)
        return;
    if (m_window)
        m_window->fadeTableViewOut();
    m_posts->removeAllObjects();
    if (m_window)
        m_window->selectSideBarRow(int(m_state.oldStreamType));
    getStreamWithKind(m_state.oldStreamType, {{QStringLiteral("count"), streamCountString()}});
}

void AppDelegate::openWindow()
{
    if (!m_window)
        return;
    if (m_window->isHiddenFromUser()) {
        fadeWindowIn();
        return;
    }
    m_window->setWindowOpacity(1.0);
    m_window->raise();
    m_window->activateWindow();
    makeResponder();
}

void AppDelegate::fadeWindowIn()
{
    if (!m_window)
        return;
    m_window->fadeIn();
    QTimer::singleShot(260, this, &AppDelegate::makeResponder);
}

void AppDelegate::setFullScreen(bool fullScreen)
{
    if (!m_window)
        return;
    m_state.isFullscreen = fullScreen;
    m_window->setFullScreenKeepingWidth(fullScreen);
}

void AppDelegate::applyDockMode()
{
    if (!m_window)
        return;
    // A normal window in the task bar, or, as an agent, a window that skips it
    // and has no menu bar; the tray icon is then the way in.
    const bool agent = prefs().value(prefs::launchAsAgentApp);
    m_window->setWindowFlag(Qt::Tool, agent);
    m_window->menuBar()->setVisible(!agent);
    if (!agent) {
        m_window->raise();
        m_window->activateWindow();
    }
}

void AppDelegate::toggleDockIcon()
{
    if (!prefs().value(prefs::launchAsAgentApp)) {
        prefs().setValue(prefs::launchAsAgentApp, false);
        relaunch();
        return;
    }
    const int answer = alerts::show(QStringLiteral("Warning!"), agentWarning,
                                    {QStringLiteral("OK"), QStringLiteral("Cancel")});
    if (answer != 0) {
        prefs().setValue(prefs::launchAsAgentApp, false);
        return;
    }
    prefs().setValue(prefs::launchAsAgentApp, true);
    prefs().setValue(prefs::prefsShowStatusItem, true);
    relaunch();
}

void AppDelegate::relaunch()
{
    Relaunch::relaunch(QCoreApplication::applicationFilePath());
    QCoreApplication::quit();
}

void AppDelegate::addToLoginItems()
{
    Autostart::addLoginItem(QCoreApplication::applicationFilePath());
    alerts::success(QStringLiteral("Velto will now automatically open when you log in."));
}

void AppDelegate::openMakerPage(const QString &path)
{
    UrlOpener::current().open(QUrl(OutsideAddresses::current().makerSiteBase + path));
}

void AppDelegate::showAbout()
{
    // Made on first use, then shown again.
    if (!m_aboutWindow)
        m_aboutWindow = new AboutWindow(m_window);
    WindowPlacement::centreOver(m_aboutWindow, m_window);
    m_aboutWindow->show();
    m_aboutWindow->raise();
    m_aboutWindow->activateWindow();
}

void AppDelegate::quickHelp() { openMakerPage(QStringLiteral("/velto/quickhelp.html")); }
void AppDelegate::openSupport() { openMakerPage(QStringLiteral("/support/")); }
void AppDelegate::provideFeedback() { openMakerPage(QStringLiteral("/contact/")); }
void AppDelegate::openAppWebsite() { openMakerPage(QStringLiteral("/apps/")); }
void AppDelegate::openVELTO() { openMakerPage(QStringLiteral("/")); }

void AppDelegate::openAppDotNet()
{
    UrlOpener::current().open(QUrl(OutsideAddresses::current().siteBase + QStringLiteral("/velto")));
}
