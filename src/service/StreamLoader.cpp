#include "service/StreamLoader.h"

#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "service/Network.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "service/Reachability.h"
#include "service/SelectedPost.h"
#include "support/PostStore.h"

#include <QDebug>
#include <QTimer>

#include <utility>

namespace {

QueryParameters queryFrom(const QVariantMap &params)
{
    QueryParameters query;
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.append({ it.key(), it.value().toString() });
    return query;
}

std::optional<Endpoint> topLevelEndpoint(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Personal:
        return Endpoint::PersonalStream;
    case StreamKind::OwnPosts:
        return Endpoint::OwnPosts;
    case StreamKind::Mentions:
        return Endpoint::Mentions;
    case StreamKind::Global:
        return Endpoint::GlobalStream;
    case StreamKind::Starred:
        return Endpoint::StarredPosts;
    default:
        return std::nullopt;
    }
}

Endpoint secondaryEndpoint(StreamKind kind)
{
    switch (kind) {
    case StreamKind::User:
        return Endpoint::UserPosts;
    case StreamKind::Hashtag:
        return Endpoint::HashtagPosts;
    default:
        return Endpoint::Conversation;
    }
}

} // namespace

StreamLoader::StreamLoader(
    PostsArrayController *posts, const SelectedPost *selection, QObject *parent)
    : QObject(parent)
    , m_posts(posts)
    , m_selection(selection)
{
    setPageProcessor(new PostPageProcessor(nullptr, &Network::manager(), this));
}

StreamLoader::~StreamLoader()
{
    if (m_processor)
        m_processor->cancel();
}

void StreamLoader::setPageProcessor(PostPageProcessor *processor)
{
    if (m_processor == processor)
        return;
    if (m_processor && m_processor->parent() == this)
        delete m_processor;
    m_processor = processor;
    connect(m_processor, &PostPageProcessor::finished, this, &StreamLoader::installRecords);
    connect(
        m_processor, &PostPageProcessor::avatarArrived, m_posts->model(), &PostsModel::putAvatar);
}

void StreamLoader::setCache(SDURLCache *cache)
{
    if (m_processor)
        m_processor->setCache(cache);
}

QString StreamLoader::streamCountString()
{
    switch (Preferences::standard().value(prefs::prefsStreamCount)) {
    case 1:
        return QStringLiteral("50");
    case 2:
        return QStringLiteral("100");
    case 3:
        return QStringLiteral("200");
    default:
        return QStringLiteral("20");
    }
}

QVariantMap StreamLoader::pageParameters()
{
    return { { QStringLiteral("count"), streamCountString() } };
}

void StreamLoader::getStreamWithKind(StreamKind kind, const QVariantMap &params)
{
    if (m_isCurrentlyLoading)
        return;
    m_loadParameters = params;
    m_placeAfterLoad = ListPlace::AsItWas;

    const auto endpoint = topLevelEndpoint(kind);
    if (!endpoint) {
        if (kind == StreamKind::User)
            getStreamForCurrentUserWithParams(params);
        else if (kind == StreamKind::Hashtag)
            getStreamForHashtag(m_hashtag, params);
        else if (m_currentStreamKind == StreamKind::Conversation)
            getStreamForReply(m_selection->replyOrQuoteID());
        return;
    }

    rememberShownStream();
    m_currentStreamKind = kind;
    m_savedShown = false;
    setBackBarLabel({});
    if (kind == StreamKind::Mentions)
        Q_EMIT mentionsShown();
    m_isCurrentlyLoading = true;
    m_answerIsTopLevel = true;
    Q_EMIT shownStreamChanged();
    const bool older = params.contains(QStringLiteral("before_id"));
    if (m_isRefreshAction)
        setLoadState(LoadState::Refreshing);
    else
        setLoadState(older ? LoadState::LoadingOlder : LoadState::Loading);

    // Back shows the list that was left at once, an older page too; the
    // service's page is merged into it as a refresh.
    if (m_restoreBackPlace && m_back && !m_back->records.isEmpty() && !m_isRefreshAction
        && !older) {
        m_restoreBackPlace = false;
        // The page the list held is asked for again: an older page merges
        // with itself, where the newest would replace it.
        m_loadParameters = m_shownParameters = std::exchange(m_back->parameters, {});
        showBeforeAnswer(std::exchange(m_back->records, {}), m_back->selectionID);
        Q_EMIT backPageShown();
        requestTopLevel(kind, *endpoint, m_loadParameters);
        return;
    }
    // A stream chosen anew is shown from the store first; the request for
    // its page goes out once that is on screen, so no answer can overtake it.
    if (m_store && !m_isRefreshAction && !older && !m_restoreBackPlace) {
        const quint64 generation = ++m_storeGeneration;
        m_store->loadPage(int(streamKindNumber(kind)), streamCountString().toInt(), this,
            [this, generation](const StoredPage &page) { storedPageRead(generation, page); });
        return;
    }
    requestTopLevel(kind, *endpoint, params);
}

void StreamLoader::requestTopLevel(StreamKind kind, Endpoint endpoint, const QVariantMap &params)
{
    ApiCall call(endpoint, {}, queryFrom(params));
    call.alertWhenUnreachable = false;
    m_api->send(call, newStreamRequest(),
        [this, kind, older = params.contains(QStringLiteral("before_id"))](
            const ApiResult &result) {
            forgetStreamRequest();
            if (result.succeeded() && m_store)
                m_store->savePage(int(streamKindNumber(kind)), result.jsonArray(), !older);
            streamAnswered(result, true);
        });
}

void StreamLoader::storedPageRead(quint64 generation, const StoredPage &page)
{
    if (generation != m_storeGeneration || !m_isCurrentlyLoading)
        return;
    if (page.posts.isEmpty()) {
        requestTopLevel(
            m_currentStreamKind, *topLevelEndpoint(m_currentStreamKind), m_loadParameters);
        return;
    }
    m_storedPlace = page.place;
    m_storedAt = page.savedAt;
    m_processingStored = true;
    m_processor->process(page.posts, Preferences::standard().value(prefs::prefsFontSize));
}

void StreamLoader::showStoredPage(const QList<PostRecord> &records)
{
    m_shownParameters = m_loadParameters;
    // The place kept at the last quit is the reader's only for the first
    // page of this run; a stream chosen later opens at its top.
    const StoredPlace place = m_pageShown ? StoredPlace {} : m_storedPlace.value_or(StoredPlace {});
    m_pageShown = true;
    m_listPostsFrom = m_storedAt;
    showBeforeAnswer(records, place.selectedPostId);
    Q_EMIT storedPageShown(place);
}

void StreamLoader::showBeforeAnswer(QList<PostRecord> records, const QString &selectionID)
{
    m_posts->setContent(std::move(records));
    m_posts->rearrangeObjects();
    if (const auto row = m_posts->rowOfId(selectionID))
        m_posts->setSelectionIndex(*row);
    // The list shows this stream now: a failed request leaves it there, and
    // the page that comes is merged into it as a refresh.
    rememberShownStream();
    m_isRefreshAction = true;
    setLoadState(LoadState::Refreshing);
}

void StreamLoader::setOffline(std::optional<Offline> offline)
{
    if (!offline && !m_offline)
        return;
    m_offline = std::move(offline);
    Q_EMIT offlineChanged();
}

void StreamLoader::sendStreamRequest(
    StreamKind kind, const QString &pathValue, const QVariantMap &params, bool withQuery)
{
    if (m_isCurrentlyLoading)
        return;
    m_placeAfterLoad = ListPlace::AsItWas;
    rememberShownStream();
    // Remember the main stream this one was opened from; opening one
    // secondary stream from another keeps the first.
    if (isMainStream(m_currentStreamKind)) {
        m_oldStreamType = m_currentStreamKind;
        leaveMainStream(kind);
    }
    m_loadParameters = params;
    m_currentStreamKind = kind;
    m_savedShown = false;
    if (kind == StreamKind::User)
        setBackBarLabel(QStringLiteral("@%1").arg(
            m_requestedUser.value(QStringLiteral("username")).toString()));
    else if (kind == StreamKind::Hashtag)
        setBackBarLabel(QStringLiteral("#%1").arg(pathValue));
    else
        setBackBarLabel(QStringLiteral("Conversation"));
    m_isCurrentlyLoading = true;
    m_answerIsTopLevel = false;
    Q_EMIT shownStreamChanged();
    setLoadState(m_isRefreshAction ? LoadState::Refreshing : LoadState::Loading);
    m_api->send(ApiCall(secondaryEndpoint(kind), pathValue,
                    withQuery ? queryFrom(params) : QueryParameters()),
        newStreamRequest(), [this](const ApiResult &result) {
            forgetStreamRequest();
            streamAnswered(result, false);
        });
}

QObject *StreamLoader::newStreamRequest()
{
    m_streamRequest = new QObject(this);
    return m_streamRequest;
}

void StreamLoader::forgetStreamRequest()
{
    // Not deleted here: the answer is still being delivered through it.
    if (m_streamRequest)
        m_streamRequest->deleteLater();
    m_streamRequest.clear();
}

void StreamLoader::getStreamForCurrentUserWithParams(const QVariantMap &params)
{
    sendStreamRequest(
        StreamKind::User, m_requestedUser.value(QStringLiteral("id")).toString(), params, true);
}

void StreamLoader::showUserPosts(const QVariantMap &user)
{
    if (m_isCurrentlyLoading)
        return;
    m_requestedUser = user;
    m_isRefreshAction = false;
    getStreamForCurrentUserWithParams({});
}

void StreamLoader::getStreamForHashtag(const QString &hashtag, const QVariantMap &params)
{
    sendStreamRequest(StreamKind::Hashtag, hashtag, params, true);
}

void StreamLoader::getStreamForReply(const QString &postId)
{
    sendStreamRequest(StreamKind::Conversation, postId, {}, false);
}

void StreamLoader::streamAnswered(const ApiResult &result, bool topLevel)
{
    // The request layer has already logged the status and shown the alert
    // of a failed load.
    if (!result.succeeded()) {
        if (topLevel && result.unreachable())
            setOffline(
                Offline { endpointInfo(*topLevelEndpoint(m_currentStreamKind)).alertMessage(),
                    m_listPostsFrom });
        returnToShownStream();
        finishStreamLoad(false);
        return;
    }
    m_answerIsTopLevel = topLevel;
    m_pageShown = true;
    if (topLevel) {
        m_listPostsFrom = QDateTime::currentDateTimeUtc();
        setOffline(std::nullopt);
    }
    m_processor->process(result.json, Preferences::standard().value(prefs::prefsFontSize));
}

void StreamLoader::installRecords(const QList<PostRecord> &records)
{
    if (!m_isCurrentlyLoading)
        return; // a page nobody waits for any more
    if (m_processingStored) {
        m_processingStored = false;
        showStoredPage(records);
        requestTopLevel(
            m_currentStreamKind, *topLevelEndpoint(m_currentStreamKind), m_loadParameters);
        return;
    }
    if (m_answerIsTopLevel)
        m_shownParameters = m_loadParameters;
    if (m_isRefreshAction) {
        Q_EMIT refreshAboutToMerge();
        m_posts->refreshContent(records);
        m_placeAfterLoad = ListPlace::KeepReadingPlace;
    } else {
        // Another stream or an older page: the list kept the last one's
        // posts, and so its scroll place, while this one loaded.
        m_posts->setContent(records);
        m_placeAfterLoad = ListPlace::Top;
    }
    m_posts->rearrangeObjects();

    Preferences &prefs = Preferences::standard();
    if (m_currentStreamKind == StreamKind::Mentions && m_posts->count() > 0)
        prefs.setValue(prefs::lastMentionID, m_posts->arrangedObject(0)->id());

    if (m_shouldBeRefreshed) {
        if (prefs.value(prefs::prefsRestoreSelection)) {
            if (const auto row = m_posts->rowOfId(m_refreshID))
                m_posts->setSelectionIndex(*row);
        } else {
            m_posts->clearSelection();
            m_placeAfterLoad = ListPlace::Top;
        }
        m_shouldBeRefreshed = false;
    }
    if (!m_answerIsTopLevel)
        m_posts->rearrangeObjects();
    // Back to a main stream: the post the reader had selected there is
    // selected again, and so in sight.
    if (m_restoreBackPlace) {
        m_restoreBackPlace = false;
        if (m_back && !m_back->selectionID.isEmpty())
            if (const auto row = m_posts->rowOfId(m_back->selectionID))
                m_posts->setSelectionIndex(*row);
        m_placeAfterLoad = ListPlace::WhereBackLeftIt;
    }
    finishStreamLoad(true);
}

void StreamLoader::leaveMainStream(StreamKind next)
{
    if (isMainStream(next)) {
        m_back.reset();
        return;
    }
    // The post selected now, not the facts of one selected before: a list
    // left with nothing selected comes back with nothing selected.
    const PostRecord *selected = m_posts->selectedObject();
    m_back = LeftMainStream { m_posts->model()->records(), m_shownParameters,
        selected ? selected->id() : QString() };
}

StreamKind StreamLoader::sideBarKindOf(StreamKind kind) const
{
    // A stream reached from a post keeps the row of the one it came from.
    return isSecondary(kind) ? m_oldStreamType : kind;
}

StreamKind StreamLoader::sideBarKind() const
{
    return m_savedShown ? m_oldStreamType : sideBarKindOf(m_currentStreamKind);
}

void StreamLoader::rememberShownStream()
{
    m_shownBeforeLoad = { m_currentStreamKind, m_oldStreamType, m_backBarLabel, m_savedShown };
}

void StreamLoader::returnToShownStream()
{
    // The list still holds the posts of the stream that was shown (a load
    // replaces them only when its page has arrived), so a failed refresh or
    // switch leaves the user where they were rather than on an empty list.
    m_currentStreamKind = m_shownBeforeLoad.kind;
    m_oldStreamType = m_shownBeforeLoad.oldStreamType;
    m_savedShown = m_shownBeforeLoad.savedShown;
    m_restoreBackPlace = false;
    m_shouldBeRefreshed = false;
    setBackBarLabel(m_shownBeforeLoad.backBarLabel);
    Q_EMIT shownStreamChanged();
}

bool StreamLoader::showSavedPosts(const QList<PostRecord> &saved)
{
    if (m_isCurrentlyLoading)
        return false;
    if (isMainStream(m_currentStreamKind)) {
        m_oldStreamType = m_currentStreamKind;
        // The saved posts are left by Back like a secondary stream.
        leaveMainStream(StreamKind::Starred);
    }
    m_currentStreamKind = StreamKind::Starred;
    m_savedShown = true;
    m_placeAfterLoad = ListPlace::AsItWas;
    setBackBarLabel(QStringLiteral("Saved"));
    // Said while the list still shows the stream left, so its place can be kept.
    Q_EMIT shownStreamChanged();
    setLoadState(LoadState::Loading);
    m_posts->setContent({});
    m_posts->setContent(saved);
    m_posts->rearrangeObjects();
    QTimer::singleShot(savedPostsFadeInMs, this, [this] {
        // Unless a load has taken their place since, the saved posts are in.
        if (m_savedShown && m_loadState == LoadState::Loading && !m_isCurrentlyLoading)
            setLoadState(LoadState::Idle);
    });
    return true;
}

void StreamLoader::setBackBarLabel(const QString &label)
{
    m_backBarLabel = label;
}

void StreamLoader::setLoadState(LoadState state)
{
    if (m_loadState == state)
        return;
    m_loadState = state;
    Q_EMIT loadStateChanged(state);
}

void StreamLoader::finishStreamLoad(bool succeeded)
{
    m_isCurrentlyLoading = false;
    m_isRefreshAction = false;
    // A failed load shows the list again too, with the posts it had.
    setLoadState(succeeded ? LoadState::Idle : LoadState::Failed);
    Q_EMIT streamLoadFinished(succeeded);
    if (m_reloadWhenDone && !m_isCurrentlyLoading) {
        m_reloadWhenDone = false;
        reloadShownStream();
    }
}

void StreamLoader::giveWayToChoice()
{
    // A refresh, one that hangs too, keeps the list in use; it would
    // otherwise hold back every stream the user asks for.
    if (m_isCurrentlyLoading && m_loadState == LoadState::Refreshing)
        abandonLoad();
}

void StreamLoader::selectViewWithIndex(int row)
{
    giveWayToChoice();
    // Without a token (a start still waiting for the keyring) there is
    // nothing to load; the service would only answer 401.
    if (m_isCurrentlyLoading || !m_api || m_api->accessToken().isEmpty()) {
        // Dropped: whoever showed the choice learns again what is shown.
        Q_EMIT shownStreamChanged();
        return;
    }
    // A choice of stream is never a refresh, even when one waits for its probe.
    m_isRefreshAction = false;
    m_shouldBeRefreshed = false;
    getStreamWithKind(streamKindForSideBarRow(row), pageParameters());
}

bool StreamLoader::giveUpLoad()
{
    // A refresh keeps the list in use, and one comes after every post sent;
    // a faded list or an older page is what the user waits on.
    if (!m_isCurrentlyLoading
        || (m_loadState != LoadState::Loading && m_loadState != LoadState::LoadingOlder))
        return false;
    abandonLoad();
    return true;
}

void StreamLoader::abandonLoad()
{
    // Deleting the request aborts it; a stored page being read or a page
    // being styled is dropped, so that it cannot land in the next load.
    delete m_streamRequest;
    ++m_storeGeneration;
    m_processingStored = false;
    if (m_processor)
        m_processor->dropPage();
    // The user asked to stop loading: a reload asked for meanwhile goes too.
    m_reloadWhenDone = false;
    returnToShownStream();
    finishStreamLoad(false);
}

void StreamLoader::goBack()
{
    if (m_isCurrentlyLoading) {
        if (!isSecondary(m_currentStreamKind))
            return;
        // A stream not shown yet is given up, which is back already; a
        // refresh or an older page of one shown is given up on the way back.
        abandonLoad();
        if (!isSecondary(m_currentStreamKind))
            return;
    }
    m_isRefreshAction = false;
    m_restoreBackPlace = m_back.has_value();
    getStreamWithKind(m_oldStreamType, pageParameters());
}

void StreamLoader::doTheRefreshVoid()
{
    if (m_refreshHold && m_refreshHold())
        return;
    // Without a token there is nothing to load; the service would only answer 401.
    if (!m_api || m_api->accessToken().isEmpty())
        return;
    // The saved posts are kept here; there is nothing to fetch for them.
    if (m_savedShown)
        return;
    // A refresh waiting for the probe takes the place of any other.
    if (m_probeInFlight)
        return;
    m_isRefreshAction = true;
    m_refreshID = m_selection->replyOrQuoteID();
    m_shouldBeRefreshed = true;
    m_probeInFlight = true;
    hasInternet(this, [this](bool reachable) {
        m_probeInFlight = false;
        if (!reachable) {
            qInfo("noInternet!");
            if (isTopLevel(m_currentStreamKind) && !m_isCurrentlyLoading)
                setOffline(
                    Offline { endpointInfo(*topLevelEndpoint(m_currentStreamKind)).alertMessage(),
                        m_listPostsFrom });
            // Nothing is loaded; close a pulled-open header and clear the flags
            // so the next load fades as usual.
            m_isRefreshAction = false;
            m_shouldBeRefreshed = false;
            if (!m_isCurrentlyLoading)
                setLoadState(LoadState::Failed);
            return;
        }
        switch (m_currentStreamKind) {
        case StreamKind::Personal:
        case StreamKind::OwnPosts:
        case StreamKind::Mentions:
        case StreamKind::Global:
        case StreamKind::Starred:
            getStreamWithKind(m_currentStreamKind, pageParameters());
            break;
        case StreamKind::User:
            getStreamForCurrentUserWithParams({});
            break;
        case StreamKind::Hashtag:
            getStreamForHashtag(m_hashtag, {});
            break;
        case StreamKind::Conversation:
            getStreamForReply(m_selection->replyOrQuoteID());
            break;
        case StreamKind::None:
            break;
        }
    });
}

void StreamLoader::reloadShownStream()
{
    // The saved posts have nothing to fetch; a post sent over them leaves them shown.
    if (m_savedShown)
        return;
    if (m_isCurrentlyLoading) {
        m_reloadWhenDone = true;
        return;
    }
    m_isRefreshAction = true;
    getStreamWithKind(m_currentStreamKind, pageParameters());
    // A kind that asked for nothing (no stream shown yet) leaves no flag behind.
    if (!m_isCurrentlyLoading)
        m_isRefreshAction = false;
}

void StreamLoader::loadOlderPosts()
{
    if (m_posts->count() == 0 || m_isCurrentlyLoading)
        return;
    QVariantMap params = pageParameters();
    params.insert(QStringLiteral("before_id"), m_posts->arrangedObject(m_posts->count() - 1)->id());
    m_isRefreshAction = false;
    getStreamWithKind(m_currentStreamKind, params);
}

void StreamLoader::stepTo(StreamKind kind)
{
    giveWayToChoice();
    if (m_isCurrentlyLoading)
        return;
    m_isRefreshAction = false;
    getStreamWithKind(kind, pageParameters());
}

void StreamLoader::streamUp()
{
    const StreamKind from
        = isMainStream(m_currentStreamKind) ? m_currentStreamKind : m_oldStreamType;
    stepTo(previousMainStream(from));
}

void StreamLoader::streamDown()
{
    const StreamKind from
        = isMainStream(m_currentStreamKind) ? m_currentStreamKind : m_oldStreamType;
    stepTo(nextMainStream(from));
}

void StreamLoader::showHashtag(const QString &hashtag)
{
    if (m_isCurrentlyLoading)
        return;
    m_hashtag = hashtag.startsWith(QLatin1Char('#')) ? hashtag.mid(1) : hashtag;
    m_isRefreshAction = false;
    getStreamForHashtag(m_hashtag, {});
}

void StreamLoader::showConversation()
{
    getStreamForReply(m_selection->replyOrQuoteID());
}

void StreamLoader::conversationNotification()
{
    if (m_selection->hasReplies())
        getStreamForReply(m_selection->replyOrQuoteID());
    else
        SystemBeep::beep();
}
