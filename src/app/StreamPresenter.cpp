#include "app/StreamPresenter.h"

#include "app/MainWindow.h"
#include "service/PostsArrayController.h"
#include "support/PostStore.h"

StreamPresenter::StreamPresenter(MainWindow *window, StreamLoader *streams, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_streams(streams)
{
    connect(streams, &StreamLoader::loadStateChanged, this, &StreamPresenter::loadStateChanged);
    connect(streams, &StreamLoader::shownStreamChanged, this, &StreamPresenter::shownStreamChanged);
    connect(
        streams, &StreamLoader::refreshAboutToMerge, this, &StreamPresenter::takePlaceBeforeMerge);
    connect(streams, &StreamLoader::storedPageShown, this, [this](const StoredPlace &place) {
        showPageBeforeAnswer({ place.topPostId, place.offset });
    });
    connect(
        streams, &StreamLoader::backPageShown, this, [this] { showPageBeforeAnswer(m_backPlace); });
    // The reader stepping to the newest post has reached what the marker
    // points at, as a scroll to the top does.
    if (const PostsArrayController *posts = window->listView()->postsController()) {
        connect(posts, &PostsArrayController::selectionIndexesChanged, this, [this, posts] {
            if (m_window && posts->selectionIndex() == 0)
                m_window->hideNewPostsMarker();
        });
    }
    connect(window, &MainWindow::fullScreenChanged, this, [this](bool fullScreen) {
        m_fullScreen = fullScreen;
        updateBars();
    });
}

void StreamPresenter::showPageBeforeAnswer(const TimelineListView::ReadingPlace &place)
{
    m_listKind = m_streams->currentStreamKind();
    m_window->hideNewPostsMarker();
    // Without a kept place (another main stream chosen) the page opens at
    // its top, not at the offset the last list was read at.
    if (place.postID.isEmpty())
        m_window->scrollListToTop();
    else
        m_window->listView()->restoreReadingPlace(place);
}

void StreamPresenter::loadStateChanged(StreamLoader::LoadState state)
{
    if (!m_window)
        return;
    using State = StreamLoader::LoadState;
    const bool busy
        = state == State::Loading || state == State::Refreshing || state == State::LoadingOlder;
    // A stream reached from a post, or the saved posts, start with no row
    // showing its buttons or a selected piece of text (a fade does that too).
    if (busy && !m_busy
        && (isSecondary(m_streams->currentStreamKind()) || m_streams->isSavedShown()))
        m_window->resetVisibleRows();
    if (state == State::Idle || state == State::Failed) {
        if (state == State::Idle)
            showPlaceAfterLoad();
        else // the posts that were shown stay, and so does the look of the selected one
            m_window->listView()->showRowControls();
        const StreamKind shown = m_streams->currentStreamKind();
        m_listKind = isTopLevel(shown) && !m_streams->isSavedShown() ? shown : StreamKind::None;
    }
    // Another stream's posts or an older page: the marker has nothing to point at.
    if (state == State::Loading || state == State::LoadingOlder)
        m_window->hideNewPostsMarker();

    // A new stream or an older page fades the list out until its posts are
    // in; a refresh keeps it on screen; every end of a load shows it again.
    const bool faded = state == State::Loading || state == State::LoadingOlder;
    if (faded != m_listFaded) {
        m_listFaded = faded;
        if (faded)
            m_window->fadeTableViewOut();
        else
            m_window->fadeTableViewIn();
    }
    if (state == State::LoadingOlder)
        m_window->showLoadOlderIndicator();

    if (busy != m_busy) {
        m_busy = busy;
        if (busy)
            m_window->startProgress();
        else
            m_window->stopProgress();
    }
    if (!busy)
        m_window->stopLoading();
}

void StreamPresenter::showPlaceAfterLoad()
{
    switch (m_streams->placeAfterLoad()) {
    case StreamLoader::ListPlace::Top:
        m_window->scrollListToTop();
        break;
    case StreamLoader::ListPlace::WhereBackLeftIt:
        m_window->listView()->restoreReadingPlace(m_backPlace);
        break;
    case StreamLoader::ListPlace::KeepReadingPlace:
        keepPlaceAfterMerge();
        break;
    case StreamLoader::ListPlace::AsItWas:
        break;
    }
}

void StreamPresenter::takePlaceBeforeMerge()
{
    m_placeBeforeMerge = m_window->listView()->placeToKeep();
    m_idsBeforeMerge.clear();
    const PostsArrayController *posts = m_window->listView()->postsController();
    for (int row = 0; posts && row < posts->count(); ++row)
        m_idsBeforeMerge.insert(posts->arrangedObject(row)->id());
}

void StreamPresenter::keepPlaceAfterMerge()
{
    if (m_placeBeforeMerge.postID.isEmpty())
        return;
    TimelineListView *list = m_window->listView();
    list->restoreReadingPlace(m_placeBeforeMerge);
    // The posts that came in above what the reader looks at.
    const PostsArrayController *posts = list->postsController();
    const auto top = posts->rowOfId(m_placeBeforeMerge.postID);
    int added = 0;
    for (int row = 0; top && row < *top; ++row)
        added += !m_idsBeforeMerge.contains(posts->arrangedObject(row)->id());
    if (added > 0)
        m_window->showNewPostsMarker(added);
}

void StreamPresenter::keepReadingPlace()
{
    if (!m_store || !m_window || !isTopLevel(m_listKind))
        return;
    const TimelineListView *list = m_window->listView();
    const TimelineListView::ReadingPlace place = list->placeToKeep();
    if (place.postID.isEmpty())
        return;
    const PostRecord *selected
        = list->postsController() ? list->postsController()->selectedObject() : nullptr;
    m_store->savePlace(int(streamKindNumber(m_listKind)),
        { place.postID, place.offset, selected ? selected->id() : QString() });
}

void StreamPresenter::shownStreamChanged()
{
    if (!m_window)
        return;
    // Leaving a main stream for one reached from it (or for the saved posts):
    // the list still shows where the reader is, kept for Back.
    if (m_listKind != m_streams->currentStreamKind() || m_streams->isSavedShown())
        m_listKind = StreamKind::None;
    const bool onMainStream
        = isMainStream(m_streams->currentStreamKind()) && !m_streams->isSavedShown();
    if (m_wasOnMainStream && !onMainStream)
        m_backPlace = m_window->listView()->readingPlace();
    m_wasOnMainStream = onMainStream;

    showShownStreamInSideBar();
    m_window->setBackBarLabel(m_streams->backBarLabel());
    updateBars();
}

void StreamPresenter::showShownStreamInSideBar()
{
    if (!m_window)
        return;
    if (const auto row = sideBarRowForStreamKind(m_streams->sideBarKind()))
        m_window->selectSideBarRow(*row);
}

void StreamPresenter::updateBars()
{
    if (!m_window)
        return;
    // The back bar shows over streams opened from a post and over the saved
    // posts, which Back leaves for the stream before; full screen opens none.
    const StreamKind shown = m_streams->currentStreamKind();
    if (!isSecondary(shown) && !m_streams->isSavedShown())
        m_window->setBackBarVisible(false);
    else if (!m_fullScreen)
        m_window->setBackBarVisible(true);
    m_window->setMentionIndicatorVisible(shown != StreamKind::Mentions);
}
