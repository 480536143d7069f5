#pragma once

#include "core/StreamKind.h"
#include "service/PostRecord.h"

#include <QObject>
#include <QVariantMap>

class PostsArrayController;

// The facts of the selected post that menus, post commands and rows depend
// on. They change only when another post is selected: a reload that leaves
// no selection keeps the facts of the post selected before.
class SelectedPost : public QObject {
    Q_OBJECT
public:
    explicit SelectedPost(PostsArrayController *posts, QObject *parent = nullptr);

    // Takes the facts of the post now selected (nothing when none is); the
    // shown stream tells whether the saved posts are on screen.
    void selectionChanged(StreamKind shownKind);

    // A copy of the selected post as the service sent it.
    const QVariantMap &currentDictionary() const { return m_post.post; }
    const PostRecord &record() const { return m_post; }
    const QString &replyOrQuoteID() const { return m_facts.replyOrQuoteID; }
    const QString &sourceName() const { return m_facts.sourceName; }
    bool hasReplies() const { return m_facts.hasReplies; }
    bool isPostStarred() const { return m_facts.isPostStarred; }
    bool isMe() const { return m_facts.isMe; }
    bool isSavedPostsVisible() const { return m_savedPostsVisible; }

Q_SIGNALS:
    // Another post was selected; the list scrolls it into view.
    void changed();

private:
    PostsArrayController *m_posts;
    PostRecord m_post;
    SelectedPostFacts m_facts;
    bool m_savedPostsVisible = false;
};
