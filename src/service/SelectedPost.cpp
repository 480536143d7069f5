#include "service/SelectedPost.h"

#include "core/Preferences.h"
#include "service/PostsArrayController.h"

SelectedPost::SelectedPost(PostsArrayController *posts, QObject *parent)
    : QObject(parent)
    , m_posts(posts)
{
    // An avatar that arrives after its post was selected belongs to the
    // post a save or a drag takes from here.
    connect(posts->model(), &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &top, const QModelIndex &bottom, const QList<int> &roles) {
            if (!roles.contains(Qt::DecorationRole) || !m_post.theAvatarImage.isNull())
                return;
            for (int row = top.row(); row <= bottom.row(); ++row) {
                const PostRecord *record = m_posts->model()->recordAt(row);
                if (record && record->id() == m_post.id()
                    && record->avatarUrl() == m_post.avatarUrl())
                    m_post.theAvatarImage = record->theAvatarImage;
            }
        });
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
