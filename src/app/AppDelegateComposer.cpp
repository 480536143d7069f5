// Writing posts. The composer itself (counter, marking, sending, replies and
// quotes, image upload) comes with the composer; for now the commands open
// the pane.
#include "app/AppDelegate.h"

#include "app/MainWindow.h"

void AppDelegate::newPost()
{
    if (!m_window)
        return;
    openWindow();
    m_state.currentPostType = 0;
    m_window->setPostButtonImage(QStringLiteral("postTemplate"));
    uncollapseSplitView();
}

void AppDelegate::replyNotification() {}
void AppDelegate::quoteNotification() {}
void AppDelegate::showUserInfoPanel() {}
void AppDelegate::loadModalUserInfo() {}
void AppDelegate::uploadImage() {}
