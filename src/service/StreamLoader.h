#pragma once

#include "core/StreamKind.h"
#include "service/ApiClient.h"
#include "support/StoreDatabase.h"

#include <QDateTime>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

class PostPageProcessor;
class PostStore;
class PostsArrayController;
class SDURLCache;
class SelectedPost;
struct PostRecord;

// Which stream the list shows and how it is filled: loading a stream by
// kind, a user's posts, a hashtag, a conversation; refreshing the shown
// stream after a reachability probe; the next older page; stepping through
// the main streams. One load runs at a time; a load asked for while one runs
// is dropped. The answer becomes post records (PostPageProcessor) that
// replace the list's content, the selection carried over a refresh.
//
// With a post store, a main stream chosen, stepped to or loaded at start
// shows its stored page first (the first one at the place the reader left
// at the last quit), and the network page follows as a refresh; every page a
// main stream answers is stored. A
// refresh merges its page into the list (PostsModel::refreshRecords) and the
// window keeps the reader's place. When the network or the service is down,
// a main stream's load fails without an alert: the loader says it is
// offline, with the message and the time of the posts the list shows.
//
// The loader is the one owner of the shown stream: its kind, whether the
// saved posts stand in for it, the stream Back returns to, the back label,
// the load state and whether it is offline. It draws nothing; the window
// derives its fades, the progress indicator, the side bar's row and the bars
// from the change signals (StreamPresenter).
class StreamLoader : public QObject {
    Q_OBJECT
public:
    // Loading fades the list out until the page is in; a refresh keeps the
    // list on screen; a failed load keeps the posts that were shown.
    enum class LoadState { Idle, Loading, Refreshing, LoadingOlder, Failed };
    Q_ENUM(LoadState)
    // Where the list shows the page a load brought: as the reader left it
    // (the selection kept), from its top, or where the reader was when the
    // main stream was left for the one Back closed.
    // A refresh keeps the reader's place: the post at the top of the list's
    // visible part stays where it was.
    enum class ListPlace { AsItWas, Top, WhereBackLeftIt, KeepReadingPlace };

    // A main stream's load found the network or the service down: what
    // failed, in the service's words, and when the posts the list shows
    // arrived (invalid when it shows none).
    struct Offline {
        QString message;
        QDateTime postsFrom;
    };

    using RefreshHold = std::function<bool()>;

    StreamLoader(
        PostsArrayController *posts, const SelectedPost *selection, QObject *parent = nullptr);
    ~StreamLoader() override;

    // The client the requests go through (the account's); not owned.
    void setApi(const ApiClient *api) { m_api = api; }
    // Replaces where page avatars come from (tests and benchmarks); a
    // processor made a child of the loader goes with it.
    void setPageProcessor(PostPageProcessor *processor);
    PostPageProcessor *pageProcessor() const { return m_processor; }
    void setCache(SDURLCache *cache);
    // Where the main streams' pages are kept and read back; not owned.
    void setStore(PostStore *store) { m_store = store; }
    // While this answers true (a search sheet is open) refreshes do nothing.
    void setRefreshHold(RefreshHold hold) { m_refreshHold = std::move(hold); }

    // What is shown or being loaded.
    StreamKind currentStreamKind() const { return m_currentStreamKind; }
    // The main stream to return to from a stream reached from a post.
    StreamKind oldStreamType() const { return m_oldStreamType; }
    bool isCurrentlyLoading() const { return m_isCurrentlyLoading; }
    bool isRefreshAction() const { return m_isRefreshAction; }
    bool shouldBeRefreshed() const { return m_shouldBeRefreshed; }
    LoadState loadState() const { return m_loadState; }
    // Of the last page put in; read when the load state turns Idle.
    ListPlace placeAfterLoad() const { return m_placeAfterLoad; }
    // The query of the load running or last run ("count", "before_id").
    const QVariantMap &loadParameters() const { return m_loadParameters; }
    // The saved posts are shown in place of a stream.
    bool isSavedShown() const { return m_savedShown; }
    // Set while main streams cannot be loaded; cleared by the next load
    // of one that succeeds.
    const std::optional<Offline> &offline() const { return m_offline; }
    // The side bar's stream while this one is shown: a stream reached from a
    // post, or the saved posts, keep the row of the main stream Back returns to.
    StreamKind sideBarKind() const;
    // "@name", "#tag", "Conversation" or "Saved"; empty on a main stream.
    const QString &backBarLabel() const { return m_backBarLabel; }

    // The user whose posts the user stream shows: set only by showing a
    // user's posts, never by looking at a user.
    const QVariantMap &requestedUser() const { return m_requestedUser; }

    // The page size from the preferences: "20", "50", "100" or "200".
    static QString streamCountString();
    static QVariantMap pageParameters();

    void getStreamWithKind(StreamKind kind, const QVariantMap &params);
    void getStreamForCurrentUserWithParams(const QVariantMap &params);
    // A user's posts, from the user panel or a search.
    void showUserPosts(const QVariantMap &user);
    void getStreamForHashtag(const QString &hashtag, const QVariantMap &params);
    void getStreamForReply(const QString &postId);
    // A side-bar row or a menu's stream: the list is emptied and the stream
    // loaded. Never a refresh. A refresh running is given up for it; while
    // another load runs it is dropped, and shownStreamChanged says again
    // what is shown. Stepping up and down does the same.
    void selectViewWithIndex(int row);
    // Back to the main stream the shown one was opened from. While a stream
    // reached from a post is still on its way, Back gives up on it instead:
    // the list that was shown is still there. A refresh or an older page of
    // one shown is given up, and Back goes on.
    void goBack();
    // Gives up on a stream or an older page on its way, as a failed load
    // without an alert: the list shows what it showed before. Answers
    // whether there was one.
    bool giveUpLoad();
    void doTheRefreshVoid();
    // Loads the shown stream again as a refresh (no fade), with the page
    // size of the preferences; a load running now is followed by it rather
    // than dropping it, so a post just sent shows up.
    void reloadShownStream();
    void loadOlderPosts();
    void streamUp();
    void streamDown();
    // The hashtag chosen by a click or a search, with or without its "#".
    void showHashtag(const QString &hashtag);
    void showConversation();
    // The conversation of the selected post, or a beep when it has none.
    void conversationNotification();

    // Shows the saved posts in place of a stream (kind 8, titled "Saved"),
    // remembering a main stream it replaces; nothing while a load runs.
    // Answers whether it did.
    bool showSavedPosts(const QList<PostRecord> &saved);
    static constexpr int savedPostsFadeInMs = 360;

Q_SIGNALS:
    // A load finished (successfully or not) and the flags are clear again.
    void streamLoadFinished(bool succeeded);
    void loadStateChanged(StreamLoader::LoadState state);
    // The kind, the saved view, the stream Back returns to or the back
    // label changed; also sent when a side-bar choice was dropped, so the
    // bar names the stream that is shown.
    void shownStreamChanged();

    // The mentions are on screen: they count as seen.
    void mentionsShown();

    // The stored page of the shown stream is in the list; `place` is where
    // the reader was in it (empty when not known).
    void storedPageShown(const StoredPlace &place);
    // Back has put the main stream's list as it was left into the list; its
    // place is the one kept when the stream was left.
    void backPageShown();
    // A refresh's page is about to go into the list, which still shows the
    // reader's place.
    void refreshAboutToMerge();
    void offlineChanged();

private:
    void requestTopLevel(StreamKind kind, Endpoint endpoint, const QVariantMap &params);
    void storedPageRead(quint64 generation, const StoredPage &page);
    void showStoredPage(const QList<PostRecord> &records);
    void showBeforeAnswer(QList<PostRecord> records, const QString &selectionID);
    void setOffline(std::optional<Offline> offline);
    void sendStreamRequest(
        StreamKind kind, const QString &pathValue, const QVariantMap &params, bool withQuery);
    // Ends the running load, whatever it is, as giveUpLoad() does.
    void abandonLoad();
    void giveWayToChoice();
    QObject *newStreamRequest();
    void forgetStreamRequest();
    void streamAnswered(const ApiResult &result, bool topLevel);
    void installRecords(const QList<PostRecord> &records);
    void finishStreamLoad(bool succeeded);
    // The stream whose side-bar row is selected while `kind` is shown.
    StreamKind sideBarKindOf(StreamKind kind) const;
    void rememberShownStream();
    void returnToShownStream();
    void leaveMainStream(StreamKind next);
    void setBackBarLabel(const QString &label);
    void setLoadState(LoadState state);
    void stepTo(StreamKind kind);

    PostsArrayController *m_posts;
    const SelectedPost *m_selection;
    const ApiClient *m_api = nullptr;
    PostPageProcessor *m_processor = nullptr;
    PostStore *m_store = nullptr;
    RefreshHold m_refreshHold;
    // The load a stored page being read belongs to.
    quint64 m_storeGeneration = 0;
    // The page being styled is the stored one, not the network's.
    bool m_processingStored = false;
    std::optional<StoredPlace> m_storedPlace;
    // A page has been shown in this run.
    bool m_pageShown = false;
    QDateTime m_storedAt;
    // When the page the list shows arrived (stored or from the network).
    QDateTime m_listPostsFrom;
    std::optional<Offline> m_offline;

    StreamKind m_currentStreamKind = StreamKind::Personal;
    StreamKind m_oldStreamType = StreamKind::Personal;
    // The main stream as a secondary one (or the saved posts) was opened
    // from it: its posts (an older page too) and what they were asked with,
    // shown at once by Back, and the post selected there, selected again; the
    // scroll place is kept too, also when nothing was selected.
    struct LeftMainStream {
        QList<PostRecord> records;
        QVariantMap parameters;
        QString selectionID;
    };
    std::optional<LeftMainStream> m_back;
    // What the page in the list was asked with (an older page's before_id),
    // not what the last request, which may have failed, asked for.
    QVariantMap m_shownParameters;
    bool m_restoreBackPlace = false;
    bool m_isCurrentlyLoading = false;
    bool m_isRefreshAction = false;
    bool m_shouldBeRefreshed = false;
    QString m_refreshID;
    bool m_probeInFlight = false;
    bool m_answerIsTopLevel = false;
    bool m_reloadWhenDone = false;
    QVariantMap m_requestedUser;
    QString m_hashtag;
    QString m_backBarLabel;
    bool m_savedShown = false;
    LoadState m_loadState = LoadState::Idle;
    ListPlace m_placeAfterLoad = ListPlace::AsItWas;
    QVariantMap m_loadParameters;

    // What the list showed when the running load began; a failed load
    // returns to it.
    struct ShownStream {
        StreamKind kind = StreamKind::Personal;
        StreamKind oldStreamType = StreamKind::Personal;
        QString backBarLabel;
        bool savedShown = false;
    };
    ShownStream m_shownBeforeLoad;
    // The running load's request to the service; deleted, it is aborted.
    QPointer<QObject> m_streamRequest;
};
