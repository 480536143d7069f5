#pragma once

#include "views/TimelineListView.h"

#include <QMainWindow>
#include <QPointer>

class ComposerPane;
class PostsArrayController;
class QAbstractItemView;
class QLabel;
class QProgressBar;
class QSplitter;
class QToolButton;
class RefreshScrollView;
class SideBar;
class LinedTextView;
class NoticeBar;
class NewPostsMarker;

// The main window: the side bar of streams on the left; on the right the bar
// with the back button and the window's tools, the composer pane (collapsed
// at start) above the list of posts.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The composer pane is 119 points tall when open.
    static constexpr int composerHeight = 119;
    static constexpr int sideBarWidth = 64;
    static constexpr int fadeWindowMs = 250;
    static constexpr int fadeListMs = 100;
    static constexpr int fadeLoadOlderMs = 300;

    SideBar *sideBar() const { return m_sideBar; }
    TimelineListView *listView() const { return m_list; }
    RefreshScrollView *refreshScrollView() const { return m_refreshView; }
    ComposerPane *composerPane() const { return m_composerPane; }
    LinedTextView *composer() const;
    QToolButton *backButton() const { return m_backButton; }
    // Says what the user should know without stopping them.
    NoticeBar *noticeBar() const { return m_notices; }
    // Tab goes the way the window reads: down the side bar's streams, across
    // the bar's buttons, into the composer and its Send button, then to the
    // list. Called again once the side bar has its buttons.
    void orderFocusChain();

    // Composer pane.
    void setComposerOpen(bool open);
    bool isComposerOpen() const;
    QString composerText() const;
    bool composerHasFocus() const;
    void setPostButtonImage(const QString &name);
    QString postButtonImage() const;

    // The list of posts.
    void setPostsController(PostsArrayController *posts);
    void setListOpacity(qreal opacity);
    qreal listOpacity() const;
    void fadeTableViewOut();
    void fadeTableViewIn();
    void resetVisibleRows();
    void reloadTableViewKeepingSelection();
    void rearrangePosts();
    void scrollListToTop();
    // "N new posts" over the top of the list; a click scrolls to the top.
    void showNewPostsMarker(int count);
    void hideNewPostsMarker();
    NewPostsMarker *newPostsMarker() const { return m_newPosts; }
    void scrollToSelection();
    void showLoadOlderIndicator();
    bool isLoadOlderIndicatorVisible() const;
    // The pull-to-refresh header closes when a load ends.
    void stopLoading();

    // The bar above the list.
    void startProgress();
    void stopProgress();
    bool isProgressRunning() const;
    void setBackBarVisible(bool visible);
    bool isBackBarVisible() const;
    void setBackBarLabel(const QString &text);
    QString backBarLabel() const;
    void setMentionIndicatorVisible(bool visible);
    bool isMentionIndicatorVisible() const;
    // The unseen mentions beside the tools: "" none, the number, "..." from 1000.
    void setMentionCount(const QString &counterText);
    QString mentionCountText() const;
    void setToolbarVisible(bool visible);

    void selectSideBarRow(int row);
    // A sheet (the search or the user panel) is open over the window.
    bool isSearchPanelVisible() const;

    // Shows the window with a 0.25 s fade.
    void fadeIn();
    // Fades the window out over 0.25 s, then hides the application.
    // With a tray item, hiding the window hides it; else it is minimised.
    void setHideToTray(bool hide) { m_hideToTray = hide; }
    void fadeOutAndHide();
    // What hiding the application means here: the window is minimised.
    void hideApplication();
    bool isHiddenFromUser() const;
    // Full screen keeps the window's width: the content stays as wide as the
    // window was and is centred on the screen.
    void setFullScreenKeepingWidth(bool fullScreen);

Q_SIGNALS:
    void backClicked();
    void refreshClicked();
    void newPostClicked();
    void fullScreenChanged(bool fullScreen);
    // The user closed the window (its close button, where no tray item
    // keeps the program).
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stopListFade();
    void animateListOpacity(qreal to);
    QWidget *buildBar();

    SideBar *m_sideBar = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_bar = nullptr;
    QWidget *m_backBar = nullptr;
    QToolButton *m_backButton = nullptr;
    QToolButton *m_refreshButton = nullptr;
    QToolButton *m_newPostButton = nullptr;
    QLabel *m_backBarLabel = nullptr;
    QWidget *m_tools = nullptr;
    QLabel *m_mentionIndicator = nullptr;
    QProgressBar *m_progress = nullptr;
    NoticeBar *m_notices = nullptr;
    QSplitter *m_split = nullptr;
    ComposerPane *m_composerPane = nullptr;
    TimelineListView *m_list = nullptr;
    NewPostsMarker *m_newPosts = nullptr;
    RefreshScrollView *m_refreshView = nullptr;
    QLabel *m_loadOlderIndicator = nullptr;
    PostsArrayController *m_posts = nullptr;
    int m_progressCount = 0;
    QRect m_normalGeometry;
    bool m_hideToTray = false;
};
