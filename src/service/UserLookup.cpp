#include "service/UserLookup.h"

#include "service/ApiClient.h"
#include "service/SelectedPost.h"

UserLookup::UserLookup(const SelectedPost *selection, QObject *parent)
    : QObject(parent)
    , m_selection(selection)
{
}

void UserLookup::loadMentionedUser(const QString &mention)
{
    if (m_clickGuard && m_clickGuard())
        return;
    QString name = mention;
    name.remove(QLatin1Char('@'));
    name.remove(QLatin1Char(' '));
    if (const auto userId = m_selection->record().mentionIdForName(name))
        requestUserDictionaryFromID(*userId);
}

void UserLookup::requestUserDictionaryFromID(const QString &userId)
{
    Q_EMIT progressStarted();
    m_api->send(ApiCall(Endpoint::User, userId), this, [this](const ApiResult &result) {
        Q_EMIT progressStopped();
        if (result.succeeded() && result.json.isObject())
            Q_EMIT userLoaded(result.jsonObject().toVariantMap());
    });
}
