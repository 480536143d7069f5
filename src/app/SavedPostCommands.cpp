#include "app/SavedPostCommands.h"

#include "platform/AlertPresenter.h"
#include "service/PostsArrayController.h"
#include "service/SavedPostList.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"

#include <algorithm>

SavedPostCommands::SavedPostCommands(SavedPostList *saved, const SelectedPost *selection,
    PostsArrayController *posts, StreamLoader *streams, QObject *parent)
    : QObject(parent)
    , m_saved(saved)
    , m_selection(selection)
    , m_posts(posts)
    , m_streams(streams)
{
    // The saved view shows the saved posts themselves: what changes in a
    // row there (a star) changes the saved post.
    connect(m_posts->model(), &PostsModel::recordReplaced, this,
        [this](const PostRecord &before, const PostRecord &after) {
            if (isSavedViewShown())
                m_saved->replace(before, after);
        });
}

bool SavedPostCommands::isSavedViewShown() const
{
    return m_streams->isSavedShown();
}

void SavedPostCommands::savePost()
{
    const PostRecord &record = m_selection->record();
    if (record.id().isEmpty())
        return;
    if (m_saved->contains(record)) {
        alerts::error(QStringLiteral("Post is already saved."));
        return;
    }
    if (!m_saved->append(record)) {
        // Saying nothing would let the user believe the post is kept.
        alerts::show(QStringLiteral("Error!"),
            alerts::localized(QStringLiteral("Posts cannot be saved now: the file of saved posts "
                                             "could not be read, and it is left as it is (%1)."))
                .arg(m_saved->path()));
    }
}

void SavedPostCommands::showSavedPosts()
{
    m_streams->showSavedPosts(m_saved->records());
}

void SavedPostCommands::deleteSavedPost()
{
    const std::optional<int> row = m_posts->selectionIndex();
    if (!isSavedViewShown() || !row)
        return;
    const PostRecord *selected = m_posts->arrangedObject(*row);
    if (!selected || !m_saved->remove(*selected))
        return;
    m_posts->setContent(m_saved->records());
    m_posts->rearrangeObjects();
    if (m_posts->count() > 0)
        m_posts->setSelectionIndex(std::min(*row, m_posts->count() - 1));
}
