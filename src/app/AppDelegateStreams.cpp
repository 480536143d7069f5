// Stream loading: which stream is asked for, refresh, older pages, swipes and
// the loads that clicks on hashtags and mentions start.
#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "service/ApiClient.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "service/Reachability.h"

#include <QApplication>
#include <QDebug>

namespace {

QueryParameters queryFrom(const QVariantMap &params)
{
    QueryParameters query;
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.append({it.key(), it.value().toString()});
    return query;
}

std::optional<Endpoint> topLevelEndpoint(quint64 kind)
{
    switch (kind) {
    case StreamKindPersonal: return Endpoint::PersonalStream;
    case StreamKindOwnPosts: return Endpoint::OwnPosts;
    case StreamKindMentions: return Endpoint::Mentions;
    case StreamKindGlobal: return Endpoint::GlobalStream;
    case StreamKindStarred: return Endpoint::StarredPosts;
    default: return std::nullopt;
    }
}

Endpoint secondaryEndpoint(quint64 kind)
{
    switch (kind) {
    case StreamKindUser: return Endpoint::UserPosts;
    case StreamKindHashtag: return Endpoint::HashtagPosts;
    default: return Endpoint::Conversation;
    }
}

} // namespace

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

    const auto endpoint = topLevelEndpoint(kind);
    if (!endpoint) {
        if (kind == StreamKindUser) {
            getStreamForCurrentUserWithParams(params);
        } else if (kind == StreamKindHashtag) {
            getStreamForHashtag(prefs().value(prefs::currentHashtag).value_or(QString()).mid(1), params);
        } else if (m_state.currentStreamKind == StreamKindConversation) {
            getStreamForReply(m_state.replyOrQuoteID);
        }
        return;
    }

    if (m_window) {
        m_window->startProgress();
        if (!m_state.isRefreshAction)
            m_window->fadeTableViewOut();
    }
    m_state.currentStreamKind = kind;
    if (kind == StreamKindMentions) {
        // The mentions are on screen: they count as seen.
        m_state.numberOfNewNotifications = QString();
        m_state.internNotificationCount = 0;
        m_state.areNewNotificationsAvailable = false;
        setNotificationTimer();
        if (m_window)
            m_window->setMentionCount(0);
    }
    m_state.isCurrentlyLoading = true;
    m_api->send(ApiCall(*endpoint, {}, queryFrom(params)), this,
                [this](const ApiResult &result) { streamAnswered(result, true); });
}

void AppDelegate::sendStreamRequest(quint64 kind, const QString &pathValue, const QVariantMap &params,
                                    bool withQuery)
{
    if (m_state.isCurrentlyLoading)
        return;
    if (m_window) {
        if (!m_state.isRefreshAction)
            m_window->fadeTableViewOut();
        m_window->startProgress();
        m_window->resetVisibleRows();
    }
    m_posts->removeAllObjects();
    // Remember the top-level stream this one was opened from; opening one
    // secondary stream from another keeps the first.
    if (m_state.currentStreamKind < StreamKindUser)
        m_state.oldStreamType = m_state.currentStreamKind;
    m_state.currentStreamKind = kind;
    if (m_window) {
        if (kind == StreamKindUser)
            m_window->setBackBarLabel(QStringLiteral("@%1").arg(
                m_state.requstedUserDictionary.value(QStringLiteral("username")).toString()));
        else if (kind == StreamKindHashtag)
            m_window->setBackBarLabel(QStringLiteral("#%1").arg(pathValue));
        else
            m_window->setBackBarLabel(QStringLiteral("Conversation"));
    }
    m_state.isCurrentlyLoading = true;
    m_api->send(ApiCall(secondaryEndpoint(kind), pathValue, withQuery ? queryFrom(params) : QueryParameters()),
                this, [this](const ApiResult &result) { streamAnswered(result, false); });
}

void AppDelegate::getStreamForCurrentUserWithParams(const QVariantMap &params)
{
    const QString userId = m_state.requstedUserDictionary.value(QStringLiteral("id")).toString();
    sendStreamRequest(StreamKindUser, userId, params, true);
}

void AppDelegate::getStreamForHashtag(const QString &hashtag, const QVariantMap &params)
{
    sendStreamRequest(StreamKindHashtag, hashtag, params, true);
}

void AppDelegate::getStreamForReply(const QString &postId)
{
    sendStreamRequest(StreamKindConversation, postId, {}, false);
}

void AppDelegate::streamAnswered(const ApiResult &result, bool topLevel)
{
    // The request layer has already logged "response: %li" and shown the
    // alert for a failed load.
    if (!result.succeeded()) {
        finishStreamLoad(false);
        return;
    }
    processDataWithArray(result.json, [this, topLevel] {
        if (!topLevel)
            m_posts->rearrangeObjects();
        finishStreamLoad(true);
    });
}

void AppDelegate::finishStreamLoad(bool succeeded)
{
    if (m_window) {
        // A failed load fades the list back in too, so the window is never
        // left without its list.
        if (!m_state.isRefreshAction || !succeeded)
            m_window->fadeTableViewIn();
        m_window->stopLoading();
        m_window->stopProgress();
    }
    m_state.isCurrentlyLoading = false;
    m_state.isRefreshAction = false;
    Q_EMIT streamLoadFinished(succeeded);
}

void AppDelegate::doTheRefreshVoid()
{
    if (m_window && m_window->isSearchPanelVisible())
        return;
    // A refresh waiting for the probe takes the place of any other.
    if (m_probeInFlight)
        return;
    m_state.isRefreshAction = true;
    m_state.refreshID = m_state.replyOrQuoteID;
    m_state.shouldBeRefreshed = true;
    m_probeInFlight = true;
    hasInternet(this, [this](bool reachable) {
        m_probeInFlight = false;
        if (!reachable) {
            qInfo("noInternet!");
            // Nothing is loaded; close a pulled-open header and clear the flags
            // so the next load fades as usual.
            m_state.isRefreshAction = false;
            m_state.shouldBeRefreshed = false;
            if (m_window)
                m_window->stopLoading();
            return;
        }
        const QVariantMap params{{QStringLiteral("count"), streamCountString()}};
        switch (m_state.currentStreamKind) {
        case StreamKindPersonal:
        case StreamKindOwnPosts:
        case StreamKindMentions:
        case StreamKindGlobal:
        case StreamKindStarred:
            getStreamWithKind(m_state.currentStreamKind, params);
            break;
        case StreamKindUser:
            getStreamForCurrentUserWithParams({});
            break;
        case StreamKindHashtag:
            loadHashNotification();
            break;
        case StreamKindConversation:
            getStreamForReply(m_state.replyOrQuoteID);
            break;
        default:
            break;
        }
    });
}

void AppDelegate::loadOlderPosts()
{
    if (m_posts->count() == 0 || m_state.isCurrentlyLoading)
        return;
    if (m_window)
        m_window->showLoadOlderIndicator();
    const QString oldest = m_posts->arrangedObject(m_posts->count() - 1)->id();
    const QVariantMap params{{QStringLiteral("count"), streamCountString()},
                             {QStringLiteral("before_id"), oldest}};
    m_state.isRefreshAction = false;
    m_posts->removeAllObjects();
    getStreamWithKind(m_state.currentStreamKind, params);
}

void AppDelegate::streamUp()
{
    const quint64 from = m_state.currentStreamKind >= StreamKindUser ? m_state.oldStreamType
                                                                     : m_state.currentStreamKind;
    const quint64 to = from == 0 ? 3 : from - 1;
    if (m_window) {
        m_window->fadeTableViewOut();
        m_window->selectSideBarRow(int(to));
    }
    getStreamWithKind(to, {{QStringLiteral("count"), streamCountString()}});
}

void AppDelegate::streamDown()
{
    const quint64 from = m_state.currentStreamKind >= StreamKindUser ? m_state.oldStreamType
                                                                     : m_state.currentStreamKind;
    const quint64 to = from >= 3 ? 0 : from + 1;
    if (m_window) {
        m_window->fadeTableViewOut();
        m_window->selectSideBarRow(int(to));
    }
    getStreamWithKind(to, {{QStringLiteral("count"), streamCountString()}});
}

void AppDelegate::loadHashNotification()
{
    if (m_window)
        m_window->closeUserPanel();
    m_state.requstedUserDictionary.clear();
    const QString hashtag = prefs().value(prefs::currentHashtag).value_or(QString());
    getStreamForHashtag(hashtag.mid(1), {});
}

void AppDelegate::loadUserNotification()
{
    // The first click of a double click on a row must not open a user.
    if (m_state.isDoubleClickAction)
        return;
    QString name = prefs().value(prefs::currentUser).value_or(QString());
    name.remove(QLatin1Char('@'));
    name.remove(QLatin1Char(' '));
    PostRecord selected;
    selected.post = m_state.currentDictionary;
    if (const auto userId = selected.mentionIdForName(name))
        requestUserDictionaryFromID(*userId);
}

void AppDelegate::conversationNotification()
{
    if (m_state.hasReplies)
        getStreamForReply(m_state.replyOrQuoteID);
    else
        QApplication::beep();
}

void AppDelegate::showConversation()
{
    getStreamForReply(m_state.replyOrQuoteID);
}

void AppDelegate::doubleClickAction()
{
    m_state.isDoubleClickAction = true;
    if (m_window)
        m_window->resetComposer();
    m_state.currentPostType = 0;
    if (m_state.currentStreamKind == StreamKindConversation)
        replyNotification();
    else if (m_state.hasReplies)
        getStreamForReply(m_state.replyOrQuoteID);
    else
        replyNotification();
    QTimer::singleShot(300, this, [this] { m_state.isDoubleClickAction = false; });
}
