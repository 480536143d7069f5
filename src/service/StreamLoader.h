#pragma once

#include "core/StreamKind.h"
#include "service/ApiClient.h"

#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class PostPageProcessor;
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
// The loader draws nothing: it asks the window for the list's fades, the
// progress indicator and the back bar through its signals.
class StreamLoader : public QObject {
    Q_OBJECT
public:
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
    // While this answers true (a search sheet is open) refreshes do nothing.
    void setRefreshHold(RefreshHold hold) { m_refreshHold = std::move(hold); }

    // What is shown or being loaded.
    StreamKind currentStreamKind() const { return m_currentStreamKind; }
    // The main stream to return to from a stream reached from a post.
    StreamKind oldStreamType() const { return m_oldStreamType; }
    bool isCurrentlyLoading() const { return m_isCurrentlyLoading; }
    bool isRefreshAction() const { return m_isRefreshAction; }
    bool shouldBeRefreshed() const { return m_shouldBeRefreshed; }
    // The next load is not a refresh: it fades the list (menu and close commands).
    void clearRefreshAction() { m_isRefreshAction = false; }

    // The user whose posts the user stream shows.
    const QVariantMap &requestedUser() const { return m_requestedUser; }
    void setRequestedUser(const QVariantMap &user) { m_requestedUser = user; }

    // The page size from the preferences: "20", "50", "100" or "200".
    static QString streamCountString();
    static QVariantMap pageParameters();

    void getStreamWithKind(StreamKind kind, const QVariantMap &params);
    void getStreamForCurrentUserWithParams(const QVariantMap &params);
    void getStreamForHashtag(const QString &hashtag, const QVariantMap &params);
    void getStreamForReply(const QString &postId);
    // A side-bar row or a menu's stream: the list is emptied and the stream loaded.
    void selectViewWithIndex(int row);
    // Back to the main stream the shown one was opened from.
    void goBack();
    void doTheRefreshVoid();
    // Loads the shown stream again as a refresh (no fade), with the page
    // size of the preferences; a load running now is followed by it rather
    // than dropping it, so a post just sent shows up.
    void reloadShownStream();
    void loadOlderPosts();
    void streamUp();
    void streamDown();
    // The hashtag chosen by a click or a search ("currentHashtag").
    void loadHashNotification();
    void showConversation();
    // The conversation of the selected post, or a beep when it has none.
    void conversationNotification();

    // Shows the saved posts in place of a stream (kind 8, titled "Saved"),
    // remembering a main stream it replaces; nothing while a load runs.
    // Answers whether it did.
    bool showSavedPosts(const QList<PostRecord> &saved);
    static constexpr int savedPostsFadeInMs = 360;

Q_SIGNALS:
    // A stream was asked for (kind and parameters as given).
    void streamRequested(StreamKind kind, const QVariantMap &params);
    // A load finished (successfully or not) and the flags are clear again.
    void streamLoadFinished(bool succeeded);

    void listFadeOutRequested();
    void listFadeInRequested();
    void visibleRowsResetRequested();
    void progressStarted();
    void progressStopped();
    // The pull-to-refresh header closes.
    void loadingStopped();
    void loadOlderIndicatorRequested();
    void scrollToTopRequested();
    // A main stream is left for one reached from it: the list notes where
    // the reader is, to put them back there when Back returns.
    void readingPlaceSaveRequested();
    // Back has shown the main stream again, with its selection restored.
    void readingPlaceRestoreRequested();
    void backBarLabelChanged(const QString &label);
    void sideBarRowRequested(int row);
    void userPanelCloseRequested();
    // The mentions are on screen: they count as seen.
    void mentionsShown();

private:
    void sendStreamRequest(
        StreamKind kind, const QString &pathValue, const QVariantMap &params, bool withQuery);
    void streamAnswered(const ApiResult &result, bool topLevel);
    void installRecords(const QList<PostRecord> &records);
    void finishStreamLoad(bool succeeded);
    // The stream whose side-bar row is selected while `kind` is shown.
    StreamKind sideBarKindOf(StreamKind kind) const;
    void rememberShownStream();
    void returnToShownStream();
    void leaveMainStream(StreamKind next);
    void setBackBarLabel(const QString &label);
    void stepTo(StreamKind kind);

    PostsArrayController *m_posts;
    const SelectedPost *m_selection;
    const ApiClient *m_api = nullptr;
    PostPageProcessor *m_processor = nullptr;
    RefreshHold m_refreshHold;

    StreamKind m_currentStreamKind = StreamKind::Personal;
    StreamKind m_oldStreamType = StreamKind::Personal;
    // The post selected in the main stream when a secondary one was opened,
    // selected again when Back returns there; the scroll place is kept too,
    // also when nothing was selected.
    QString m_backSelectionID;
    bool m_backPlaceSaved = false;
    bool m_restoreBackPlace = false;
    bool m_isCurrentlyLoading = false;
    bool m_isRefreshAction = false;
    bool m_shouldBeRefreshed = false;
    QString m_refreshID;
    bool m_probeInFlight = false;
    bool m_answerIsTopLevel = false;
    bool m_reloadWhenDone = false;
    QVariantMap m_requestedUser;
    QString m_backBarLabel;

    // What the list showed when the running load began; a failed load
    // returns to it.
    struct ShownStream {
        StreamKind kind = StreamKind::Personal;
        StreamKind oldStreamType = StreamKind::Personal;
        QString backBarLabel;
    };
    ShownStream m_shownBeforeLoad;
};
