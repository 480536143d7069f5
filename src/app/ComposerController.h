#pragma once

#include <QObject>
#include <QPointer>

class MainWindow;

// The composer pane above the list: opening and closing it, and the kind of
// post being written (0, a new post).
class ComposerController : public QObject {
    Q_OBJECT
public:
    explicit ComposerController(MainWindow *window, QObject *parent = nullptr);

    quint64 currentPostType() const { return m_currentPostType; }
    void setCurrentPostType(quint64 type) { m_currentPostType = type; }
    // The composer holds text.
    bool isPostAvailable() const;

    // Opens the pane for a new post.
    void newPost();
    void collapseSplitView();
    void uncollapseSplitView();
    // The close command's first steps: text, then the pane. Answers false
    // when the pane was already closed and the command goes on.
    bool closeStep();
    // Empties the text and starts over with a new post.
    void resetComposer();

private:
    QPointer<MainWindow> m_window;
    quint64 m_currentPostType = 0;
};
