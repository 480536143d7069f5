#pragma once

#include "service/StreamLoader.h"
#include "views/TimelineListView.h"

#include <QObject>
#include <QPointer>
#include <QSet>

class MainWindow;
class PostStore;

// The one place where the shown stream becomes what the window shows: the
// list's fade, the progress indicator, the pull header, the load-older
// indicator, the side bar's row, the back bar and the mention indicator all
// follow the loader's state. Nothing else writes them for a stream.
//
// It also keeps the reader's place: a refresh leaves the post at the top of
// the list where it was and says how many new posts came above it; a stored
// page at start is shown at the place kept with it; where the reader is in
// the main stream shown is kept in the post store at quit.
class StreamPresenter : public QObject {
    Q_OBJECT
public:
    StreamPresenter(MainWindow *window, StreamLoader *streams, QObject *parent = nullptr);

    void setStore(PostStore *store) { m_store = store; }
    // Keeps where the reader is in the main stream the list shows.
    void keepReadingPlace();

private:
    // The side bar names the stream that is shown (after a click that may
    // have been dropped, too).
    void showShownStreamInSideBar();
    // A stored page, or the list Back returns to, is on screen before the
    // service answers.
    void showPageBeforeAnswer(const TimelineListView::ReadingPlace &place);
    void loadStateChanged(StreamLoader::LoadState state);
    void shownStreamChanged();
    void updateBars();
    void showPlaceAfterLoad();
    void takePlaceBeforeMerge();
    void keepPlaceAfterMerge();

    QPointer<MainWindow> m_window;
    StreamLoader *m_streams;
    bool m_listFaded = false;
    bool m_busy = false;
    bool m_fullScreen = false;
    bool m_wasOnMainStream = true;
    // Where the reader was in the main stream that Back returns to.
    TimelineListView::ReadingPlace m_backPlace;
    PostStore *m_store = nullptr;
    // The main stream whose posts the list shows (None: another one).
    StreamKind m_listKind = StreamKind::None;
    // Taken just before a refresh's page went in.
    TimelineListView::ReadingPlace m_placeBeforeMerge;
    QSet<QString> m_idsBeforeMerge;
};
