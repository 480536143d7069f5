// The signed-in account: token, sign-in, the user's record, and the mention
// poll timer.
#include "app/AppDelegate.h"

#include "app/Preferences.h"

void AppDelegate::readTokenFromDefaults()
{
    m_state.accessToken = prefs().value(prefs::accessToken).value_or(QString());
}

void AppDelegate::doTheAuth()
{
    Q_EMIT signInStarted();
}

void AppDelegate::setNotificationTimer()
{
    // The mention poll runs every 27 seconds.
    replaceTimer(m_notificationTimer, 27000, &AppDelegate::checkForMentions);
}

void AppDelegate::checkForMentions() {}
void AppDelegate::askToFollowVelto() {}
void AppDelegate::getCurrentUsern() {}
void AppDelegate::makeStatusItem() {}

void AppDelegate::createCache() {}
