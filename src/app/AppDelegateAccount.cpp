// The signed-in account: token, sign-in, the user's record and following,
// and the mention poll timer.
#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "service/ApiClient.h"
#include "service/Network.h"
#include "service/PostPageProcessor.h"
#include "support/cache/SDURLCache.h"

#include <QCollator>
#include <QJsonArray>
#include <QJsonObject>

void AppDelegate::createCache()
{
    if (!SDURLCache::sharedURLCache()) {
        auto *cache = new SDURLCache(5242880, 52428800, SDURLCache::defaultCachePath(), this);
        SDURLCache::setSharedURLCache(cache);
        cache->installOn(Network::manager());
    }
    if (m_processor)
        m_processor->setCache(SDURLCache::sharedURLCache());
}

void AppDelegate::readTokenFromDefaults()
{
    m_state.accessToken = prefs().value(prefs::accessToken).value_or(QString());
    m_api->setAccessToken(m_state.accessToken);
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

void AppDelegate::getCurrentUsern()
{
    m_api->send(ApiCall(Endpoint::CurrentUser), this, [this](const ApiResult &result) {
        if (!result.succeeded() || !result.json.isObject())
            return;
        const QVariantMap me = result.jsonObject().toVariantMap();
        m_state.meDictionary = me;
        m_state.meID = me.value(QStringLiteral("id")).toString();
        m_state.meUsername = me.value(QStringLiteral("username")).toString();
        prefs().setValue(prefs::meID, m_state.meID);
        loadCurrentUserFollowing();
    });
}

void AppDelegate::loadCurrentUserFollowing()
{
    m_api->send(ApiCall(Endpoint::CurrentUserFollowing, m_state.meID), this, [this](const ApiResult &result) {
        // A list that could not be read stays absent: nothing is added to it.
        if (!result.succeeded() || !m_state.autocompletionArray)
            return;
        QStringList &words = *m_state.autocompletionArray;
        for (const QJsonValue &user : result.jsonArray()) {
            const QJsonValue username = user.toObject().value(QStringLiteral("username"));
            if (username.isString() && !words.contains(username.toString()))
                words.append(username.toString());
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(words.begin(), words.end(), collator);
    });
}

void AppDelegate::requestUserDictionaryFromID(const QString &userId)
{
    if (m_window)
        m_window->startProgress();
    m_api->send(ApiCall(Endpoint::User, userId), this, [this](const ApiResult &result) {
        if (m_window)
            m_window->stopProgress();
        if (!result.succeeded())
            return;
        m_state.requstedUserDictionary.clear();
        if (result.json.isObject()) {
            m_state.requstedUserDictionary = result.jsonObject().toVariantMap();
            Q_EMIT userPanelRequested();
        }
    });
}

void AppDelegate::checkForMentions() {}
void AppDelegate::askToFollowVelto() {}
void AppDelegate::makeStatusItem() {}
