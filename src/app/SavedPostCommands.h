#pragma once

#include <QObject>

class PostsArrayController;
class SavedPostList;
class SelectedPost;
class StreamLoader;

// Keeping posts locally: save the selected post, show the saved posts in
// the list, delete one of them while they are shown.
class SavedPostCommands : public QObject {
    Q_OBJECT
public:
    SavedPostCommands(SavedPostList *saved, const SelectedPost *selection,
        PostsArrayController *posts, StreamLoader *streams, QObject *parent = nullptr);

    void savePost();
    void showSavedPosts();
    void deleteSavedPost();

    // The list shows the saved posts (not the starred ones, which share the
    // stream kind); the loader owns it.
    bool isSavedViewShown() const;

private:
    SavedPostList *m_saved;
    const SelectedPost *m_selection;
    PostsArrayController *m_posts;
    StreamLoader *m_streams;
};
