#include "app/StreamPresenter.h"

#include "app/MainWindow.h"

StreamPresenter::StreamPresenter(MainWindow *window, StreamLoader *streams, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_streams(streams)
{
    connect(streams, &StreamLoader::loadStateChanged, this, &StreamPresenter::loadStateChanged);
    connect(streams, &StreamLoader::shownStreamChanged, this, &StreamPresenter::shownStreamChanged);
    connect(window, &MainWindow::fullScreenChanged, this, [this](bool fullScreen) {
        m_fullScreen = fullScreen;
        updateBars();
    });
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
    if (state == State::Idle)
        showPlaceAfterLoad();

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
    case StreamLoader::ListPlace::AsItWas:
        break;
    }
}

void StreamPresenter::shownStreamChanged()
{
    if (!m_window)
        return;
    // Leaving a main stream for one reached from it (or for the saved posts):
    // the list still shows where the reader is, kept for Back.
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
