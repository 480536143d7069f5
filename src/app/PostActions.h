#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class MainWindow;
class PostsArrayController;
class SelectedPost;
class StreamLoader;
class ApiClient;

// What can be done to the selected post besides writing about it: star or
// unstar it, delete it (one's own), copy its text or permalink, open it or
// the application that wrote it in the browser. Requests go one at a time;
// a failure keeps the post as the service has it.
class PostActions : public QObject {
    Q_OBJECT
public:
    PostActions(SelectedPost *selection, PostsArrayController *posts, StreamLoader *streams,
        const ApiClient *api, MainWindow *window, QObject *parent = nullptr);

    void starOrUnstarPost();
    void deletePost();
    void copyLinkToPost();
    void openPostInBrowser();
    void openSource();
    void copyPostToClipboard();

    // "<site>/<username>/post/<id>" of the selected post; invalid without one.
    QUrl permalink() const;
    // "Star Post" or "Unstar Post", as the selected post is.
    QString starItemTitle() const;
    // Only one's own posts can be deleted.
    bool canDelete() const;
    // A star, unstar or delete is on its way.
    bool isBusy() const { return m_busy; }

Q_SIGNALS:
    // The selected post's starring or ownership changed: menus follow.
    void stateChanged();

private:
    void starSucceeded(const QString &postId, bool starred);

    SelectedPost *m_selection;
    PostsArrayController *m_posts;
    StreamLoader *m_streams;
    const ApiClient *m_api;
    MainWindow *m_window;
    bool m_busy = false;
};
