#include "app/ComposerController.h"

#include "app/MainWindow.h"

#include <QPlainTextEdit>

namespace {
const QString newPostImage = QStringLiteral("postTemplate");
}

ComposerController::ComposerController(MainWindow *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
}

bool ComposerController::isPostAvailable() const
{
    return m_window && !m_window->composerText().isEmpty();
}

void ComposerController::newPost()
{
    if (!m_window)
        return;
    m_currentPostType = 0;
    m_window->setPostButtonImage(newPostImage);
    uncollapseSplitView();
}

void ComposerController::collapseSplitView()
{
    if (m_window)
        m_window->setComposerOpen(false);
}

void ComposerController::uncollapseSplitView()
{
    if (m_window)
        m_window->setComposerOpen(true);
}

bool ComposerController::closeStep()
{
    if (!m_window || !m_window->isComposerOpen())
        return false;
    // Text first, then the pane.
    if (!isPostAvailable())
        collapseSplitView();
    m_window->composer()->clear();
    m_currentPostType = 0;
    m_window->setPostButtonImage(newPostImage);
    return true;
}

void ComposerController::resetComposer()
{
    m_currentPostType = 0;
    if (m_window)
        m_window->resetComposer();
}
