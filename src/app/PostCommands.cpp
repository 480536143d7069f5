#include "app/PostCommands.h"

#include "app/ComposerController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"

#include <QTimer>

PostCommands::PostCommands(const SelectedPost *selection, StreamLoader *streams,
    ComposerController *composer, QObject *parent)
    : QObject(parent)
    , m_selection(selection)
    , m_streams(streams)
    , m_composer(composer)
{
}

void PostCommands::doubleClickAction()
{
    m_isDoubleClickAction = true;
    m_composer->resetComposer();
    if (m_streams->currentStreamKind() == StreamKind::Conversation)
        Q_EMIT replyRequested();
    else if (m_selection->hasReplies())
        m_streams->getStreamForReply(m_selection->replyOrQuoteID());
    else
        Q_EMIT replyRequested();
    QTimer::singleShot(doubleClickGuardMs, this, [this] { m_isDoubleClickAction = false; });
}
