#include "service/MentionCheck.h"

#include "core/Preferences.h"
#include "service/ApiClient.h"
#include "service/MentionCounter.h"
#include "text/JsonAccess.h"

#include <QJsonObject>

namespace {

constexpr int mentionsPerCheck = 200;

QString idOf(const QJsonValue &post)
{
    return JsonAccess::stringForKey(post.toObject(), QStringLiteral("id")).value_or(QString());
}

bool isDecimal(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

MentionCheck::MentionCheck(const ApiClient *api, MentionCounter *counter, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_counter(counter)
{
}

int MentionCheck::compareIds(const QString &a, const QString &b)
{
    auto digits = [](const QString &id) {
        qsizetype start = 0;
        while (start + 1 < id.size() && id.at(start) == u'0')
            ++start;
        return QStringView(id).mid(start);
    };
    const QStringView x = digits(a);
    const QStringView y = digits(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

void MentionCheck::loadMentionsForNotifications()
{
    // A slow answer still on its way would be announced twice.
    if (m_checking || !m_api)
        return;
    QueryParameters query { { QStringLiteral("count"), QString::number(mentionsPerCheck) } };
    const auto last = Preferences::standard().value(prefs::lastMentionID);
    if (last && isDecimal(*last))
        query.append({ QStringLiteral("since_id"), *last });
    m_checking = true;
    m_api->send(ApiCall(Endpoint::MentionPoll, {}, query), this, [this](const ApiResult &result) {
        m_checking = false;
        if (!result.succeeded()) {
            qInfo("responseErrorForNotifications: %d", result.status);
            return;
        }
        compareNotificationsWithArray(result.jsonArray());
    });
}

void MentionCheck::compareNotificationsWithArray(const QJsonArray &answer)
{
    Preferences &prefs = Preferences::standard();
    const std::optional<QString> stored = prefs.value(prefs::lastMentionID);
    const bool known = stored && isDecimal(*stored);
    QJsonArray fresh;
    QString newest;
    for (const QJsonValue &post : answer) {
        const QString id = idOf(post);
        // A post without an id cannot be told from one announced before.
        if (!isDecimal(id))
            continue;
        if (newest.isEmpty() || compareIds(id, newest) > 0)
            newest = id;
        if (known && compareIds(id, *stored) > 0)
            fresh.append(post);
    }
    if (newest.isEmpty())
        return;
    if (known && compareIds(newest, *stored) <= 0) {
        m_counter->setUnseenCount(0);
        return;
    }
    // Written before anything is announced: a crash or a second check in
    // between cannot bring the same mentions again.
    prefs.setValue(prefs::lastMentionID, newest);
    prefs.sync();
    // The first check ever only learns where the mentions stand.
    if (!known || fresh.isEmpty())
        return;
    m_counter->setUnseenCount(m_counter->internNotificationCount() + quint64(fresh.size()));
    Q_EMIT mentionsArrived(fresh);
}
