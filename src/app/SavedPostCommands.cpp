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
    // Any stream asked for replaces the saved view.
    connect(m_streams, &StreamLoader::streamRequested, this, [this] { setShown(false); });
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
    if (m_streams->showSavedPosts(m_saved->records()))
        setShown(true);
}

void SavedPostCommands::deleteSavedPost()
{
    const std::optional<int> row = m_posts->selectionIndex();
    if (!m_shown || !row)
        return;
    const PostRecord *selected = m_posts->arrangedObject(*row);
    if (!selected || !m_saved->remove(*selected))
        return;
    m_posts->setContent(m_saved->records());
    m_posts->rearrangeObjects();
    if (m_posts->count() > 0)
        m_posts->setSelectionIndex(std::min(*row, m_posts->count() - 1));
}

void SavedPostCommands::setShown(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    Q_EMIT savedViewShownChanged(shown);
}
