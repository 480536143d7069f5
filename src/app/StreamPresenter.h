#pragma once

#include "service/StreamLoader.h"
#include "views/TimelineListView.h"

#include <QObject>
#include <QPointer>

class MainWindow;

// The one place where the shown stream becomes what the window shows: the
// list's fade, the progress indicator, the pull header, the load-older
// indicator, the side bar's row, the back bar and the mention indicator all
// follow the loader's state. Nothing else writes them for a stream.
class StreamPresenter : public QObject {
    Q_OBJECT
public:
    StreamPresenter(MainWindow *window, StreamLoader *streams, QObject *parent = nullptr);

private:
    // The side bar names the stream that is shown (after a click that may
    // have been dropped, too).
    void showShownStreamInSideBar();
    void loadStateChanged(StreamLoader::LoadState state);
    void shownStreamChanged();
    void updateBars();
    void showPlaceAfterLoad();

    QPointer<MainWindow> m_window;
    StreamLoader *m_streams;
    bool m_listFaded = false;
    bool m_busy = false;
    bool m_fullScreen = false;
    bool m_wasOnMainStream = true;
    // Where the reader was in the main stream that Back returns to.
    TimelineListView::ReadingPlace m_backPlace;
};
