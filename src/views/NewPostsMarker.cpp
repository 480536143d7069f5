#include "views/NewPostsMarker.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>
#include <QTimer>

NewPostsMarker::NewPostsMarker(QAbstractScrollArea *list)
    : QToolButton(list)
    , m_list(list)
{
    setObjectName(QStringLiteral("newPostsMarker"));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        hide();
        Q_EMIT topWanted();
    });
    // Only the reader's own scrolling counts: the list's layout moves the
    // bar through the top on its own while it keeps the reader's place.
    connect(list->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] {
        QTimer::singleShot(0, this, [this] {
            const QScrollBar *bar = m_list->verticalScrollBar();
            if (bar->value() == bar->minimum())
                hide();
        });
    });
    list->installEventFilter(this);
    hide();
}

void NewPostsMarker::showCount(int count)
{
    m_count = count;
    setText(
        count == 1 ? QStringLiteral("↑ 1 new post") : QStringLiteral("↑ %1 new posts").arg(count));
    setAccessibleName(text());
    adjustSize();
    place();
    show();
    raise();
}

bool NewPostsMarker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::Resize)
        place();
    return QToolButton::eventFilter(watched, event);
}

void NewPostsMarker::place()
{
    move((m_list->width() - width()) / 2, 8);
}
