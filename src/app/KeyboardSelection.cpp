#include "app/KeyboardSelection.h"

#include "app/MainWindow.h"
#include "service/PostsArrayController.h"
#include "views/TimelineListView.h"

KeyboardSelection::KeyboardSelection(
    MainWindow *window, PostsArrayController *posts, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_posts(posts)
{
}

bool KeyboardSelection::listHasTheKeys() const
{
    return m_window && !m_window->composerHasFocus();
}

void KeyboardSelection::selectNext()
{
    if (!listHasTheKeys())
        return;
    if (!m_posts->selectionIndex())
        m_posts->setSelectionIndex(0);
    else
        m_posts->selectNext();
}

void KeyboardSelection::selectPrevious()
{
    if (!listHasTheKeys())
        return;
    if (!m_posts->selectionIndex()) {
        if (m_posts->count() > 0)
            m_posts->setSelectionIndex(m_posts->count() - 1);
    } else {
        m_posts->selectPrevious();
    }
}

void KeyboardSelection::selectPageAway(int direction)
{
    if (!listHasTheKeys())
        return;
    const int from = m_posts->selectionIndex().value_or(-1);
    if (const auto row = m_window->listView()->rowAPageAway(from, direction))
        m_posts->setSelectionIndex(*row);
}

void KeyboardSelection::selectFirst()
{
    if (listHasTheKeys() && m_posts->count() > 0)
        m_posts->setSelectionIndex(0);
}

void KeyboardSelection::selectLast()
{
    if (listHasTheKeys() && m_posts->count() > 0)
        m_posts->setSelectionIndex(m_posts->count() - 1);
}
