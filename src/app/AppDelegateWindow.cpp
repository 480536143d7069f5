// The main window's commands: the composer pane and the close command.
#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "service/PostsArrayController.h"
#include "app/Preferences.h"

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

void AppDelegate::setupSidebar() {}
void AppDelegate::closeWindow() {}
void AppDelegate::newPost() {}
void AppDelegate::replyNotification() {}
void AppDelegate::quoteNotification() {}
void AppDelegate::showUserInfoPanel() {}
void AppDelegate::loadModalUserInfo() {}
void AppDelegate::uploadImage() {}

void AppDelegate::applyDockMode()
{
    if (!m_window)
        return;
    // A normal window in the task bar, or, as an agent, a window that skips it
    // and is reached through the tray icon.
    const bool agent = prefs().value(prefs::launchAsAgentApp);
    m_window->setWindowFlag(Qt::Tool, agent);
    if (!agent) {
        m_window->raise();
        m_window->activateWindow();
    }
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
