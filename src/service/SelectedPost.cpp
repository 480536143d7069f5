#include "service/SelectedPost.h"

#include "core/Preferences.h"
#include "service/PostsArrayController.h"

SelectedPost::SelectedPost(PostsArrayController *posts, QObject *parent)
    : QObject(parent)
    , m_posts(posts)
{
}

void SelectedPost::selectionChanged(StreamKind shownKind)
{
    const PostRecord *selected = m_posts->selectedObject();
    if (!selected)
        return;
    Preferences &prefs = Preferences::standard();
    m_post = *selected;
    m_facts = SelectedPostFacts::from(*selected, prefs.value(prefs::meID).value_or(QString()));
    // The menu item's title and the rows read these two from the preferences.
    prefs.setValue(prefs::starItemTitle, m_facts.starItemTitle);
    prefs.setValue(prefs::isME, m_facts.isMe);
    m_savedPostsVisible = shownKind == StreamKind::Starred;
    Q_EMIT changed();
}
