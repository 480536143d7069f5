// Stream loading: which stream is asked for, refresh, older pages, swipes and
// the loads that clicks on hashtags and mentions start.
#include "app/AppDelegate.h"

#include "app/Preferences.h"

QString AppDelegate::streamCountString() const
{
    switch (prefs().value(prefs::prefsStreamCount)) {
    case 1: return QStringLiteral("50");
    case 2: return QStringLiteral("100");
    case 3: return QStringLiteral("200");
    default: return QStringLiteral("20");
    }
}

void AppDelegate::getStreamWithKind(quint64 kind, const QVariantMap &params)
{
    if (m_state.isCurrentlyLoading)
        return;
    Q_EMIT streamRequested(kind, params);
}

void AppDelegate::doTheRefreshVoid() {}
void AppDelegate::loadOlderPosts() {}
void AppDelegate::streamUp() {}
void AppDelegate::streamDown() {}
void AppDelegate::loadHashNotification() {}
void AppDelegate::loadUserNotification() {}
void AppDelegate::conversationNotification() {}
