#include "service/Account.h"

#include "core/Preferences.h"
#include "platform/AlertPresenter.h"

#include <QJsonArray>
#include <QJsonObject>

Account::Account(QObject *parent)
    : QObject(parent)
{
}

void Account::getCurrentUsern()
{
    ApiCall call(Endpoint::CurrentUser);
    // Offline, the shown stream's notice says so; the user is asked for
    // again when the service answers.
    call.alertWhenUnreachable = false;
    m_api.send(call, this, [this](const ApiResult &result) {
        if (!result.succeeded() || !result.json.isObject())
            return;
        m_me = result.jsonObject().toVariantMap();
        m_meID = m_me.value(QStringLiteral("id")).toString();
        m_meUsername = m_me.value(QStringLiteral("username")).toString();
        Preferences::standard().setValue(prefs::meID, m_meID);
        Q_EMIT currentUserLoaded();
        loadCurrentUserFollowing();
    });
}

void Account::loadCurrentUserFollowing()
{
    m_api.send(
        ApiCall(Endpoint::CurrentUserFollowing, m_meID), this, [this](const ApiResult &result) {
            if (!result.succeeded())
                return;
            QStringList names;
            for (const QJsonValue &user : result.jsonArray()) {
                const QJsonValue username = user.toObject().value(QStringLiteral("username"));
                if (username.isString())
                    names.append(username.toString());
            }
            const qsizetype before = m_words.size();
            m_words.addNames(names);
            // Written now, not only at quit: a crash keeps the names too.
            if (m_words.size() != before)
                m_words.save();
            Q_EMIT followingLoaded();
        });
}

void Account::followVELTO()
{
    m_api.send(ApiCall(Endpoint::FollowUser, makerAccountId()), this, [](const ApiResult &result) {
        // A failure has its alert from the request layer.
        if (result.succeeded())
            alerts::success(QStringLiteral("You are now following @VELTO."));
    });
}

void Account::askToFollowVelto()
{
    const int answer = alerts::show(QStringLiteral("Follow @VELTO"),
        QStringLiteral(
            "If you like, you can start following @VELTO for updates regarding this App and other "
            "trivia. Do you want to follow @VELTO?"),
        { QStringLiteral("Follow"), QStringLiteral("Don't Follow") });
    if (answer == 0)
        followVELTO();
}
