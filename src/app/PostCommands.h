#pragma once

#include <QObject>

class ComposerController;
class SelectedPost;
class StreamLoader;

// The commands that act on the selected post from the list.
class PostCommands : public QObject {
    Q_OBJECT
public:
    // How long after a double click the clicks it was made of are ignored.
    static constexpr int doubleClickGuardMs = 300;

    PostCommands(const SelectedPost *selection, StreamLoader *streams, ComposerController *composer,
        QObject *parent = nullptr);

    // A double click on a row: in a conversation, or on a post that is in
    // none, a reply to it; otherwise its conversation.
    void doubleClickAction();
    // A double click is being handled: its single clicks must not act.
    bool isDoubleClickAction() const { return m_isDoubleClickAction; }

Q_SIGNALS:
    void replyRequested();

private:
    const SelectedPost *m_selection;
    StreamLoader *m_streams;
    ComposerController *m_composer;
    bool m_isDoubleClickAction = false;
};
