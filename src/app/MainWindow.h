#pragma once

#include <QWidget>

class PostsArrayController;
class QLabel;
class QProgressBar;
class QListView;
class QPlainTextEdit;
class QSplitter;

// The main window: the composer pane above the list of posts.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    // The composer pane is 119 points tall when open.
    static constexpr int composerHeight = 119;

    void setComposerOpen(bool open);
    bool isComposerOpen() const;
    QString composerText() const;
    QPlainTextEdit *composer() const { return m_composer; }
    QListView *listView() const { return m_list; }

    void setPostButtonImage(const QString &name);
    QString postButtonImage() const { return m_postButtonImage; }
    void setListOpacity(qreal opacity);
    void setBackBarVisible(bool visible);
    bool isBackBarVisible() const;
    void setBackBarLabel(const QString &text);
    void setMentionIndicatorVisible(bool visible);
    bool isMentionIndicatorVisible() const;

    void fadeIn();

    // The list of posts.
    void setPostsController(PostsArrayController *posts);
    void fadeTableViewOut();
    void fadeTableViewIn();
    qreal listOpacity() const;
    void resetVisibleRows();
    void scrollListToTop();
    void scrollToSelection();
    void showLoadOlderIndicator();
    // The pull-to-refresh header closes when a load ends.
    void stopLoading();
    void startProgress();
    void stopProgress();
    bool isProgressRunning() const;

    void selectSideBarRow(int row);
    void setMentionCount(int count);
    bool isSearchPanelVisible() const;
    void closeUserPanel();
    bool composerHasFocus() const;
    void resetComposer();
    void rearrangePosts();
    void reloadTableViewKeepingSelection();

Q_SIGNALS:
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QSplitter *m_split = nullptr;
    QWidget *m_composerPane = nullptr;
    QPlainTextEdit *m_composer = nullptr;
    QListView *m_list = nullptr;
    QWidget *m_backBar = nullptr;
    QLabel *m_backBarLabel = nullptr;
    QWidget *m_mentionIndicator = nullptr;
    QString m_postButtonImage;
    QProgressBar *m_progress = nullptr;
    QWidget *m_loadOlderIndicator = nullptr;
    PostsArrayController *m_posts = nullptr;
    int m_progressCount = 0;
};
