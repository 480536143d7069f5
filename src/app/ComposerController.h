#pragma once

#include "support/DraftFile.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class Account;
class LinedTextView;
class LinkShortener;
class MainWindow;
class PostSender;
class SelectedPost;
class StreamLoader;

// The composer pane above the list and what is written in it: opening and
// closing the pane, starting a new post, a reply or a quote of the selected
// post, the counter and the send button after every edit and caret move,
// the live marking, the completion of user names a moment after the last
// change, sending, shortening pasted links, and the draft on disk that keeps
// the text through a quit, a crash or a kill.
class ComposerController : public QObject {
    Q_OBJECT
public:
    // How long after the last change the draft is written, and the longest
    // it waits while changes keep coming (steady typing).
    static constexpr int draftDelayMs = 400;
    static constexpr int draftLongestWaitMs = 1000;
    // How long after a failed write of the draft it is tried again.
    static constexpr int draftRetryMs = 5000;

    ComposerController(MainWindow *window, const SelectedPost *selection, Account *account,
        StreamLoader *streams, QObject *parent = nullptr);
    ~ComposerController() override;

    // 0 a new post, 1 a reply, 2 a quote; the send button's picture follows.
    quint64 currentPostType() const { return m_currentPostType; }
    void setCurrentPostType(quint64 type);
    // The post a reply or quote answers, taken when it was started, so that
    // selecting another post meanwhile does not redirect it.
    const QString &replyOrQuoteID() const { return m_replyOrQuoteID; }
    // The composer holds text.
    bool isPostAvailable() const;
    // The send action may run: there is text and no send is on its way.
    bool isPostingAllowed() const { return m_isPostingAllowed; }
    bool isSending() const;

    // An empty composer opens, one with text is emptied, an empty open one closes.
    void newPost();
    // A reply to the selected post: its author and the users it mentions,
    // put in front of any text the user has written (one undo takes them
    // away again); a quote likewise.
    void doTheReply();
    // A reply to `post`, which need not be in the list (a mention's notification).
    void replyTo(const QVariantMap &post);
    // A quote of the selected post.
    void quote();
    // The send button, Ctrl+Return.
    void post();

    void collapseSplitView();
    void uncollapseSplitView();
    // The close command's first steps: text, then the pane. Answers false
    // when the pane was already closed and the command goes on.
    bool closeStep();
    // Empties the text and starts over with a new post, unless the user has
    // written something: that stays as it is.
    void resetComposer();

    // Reads the draft at `path` and puts a draft with text back into an open
    // composer (once, at start-up).
    void openDraft(const QString &path);
    // Writes a draft still waiting for its moment (at quit).
    void saveDraftNow();
    const DraftFile &draftFile() const { return m_draft; }

    LinkShortener &shortener() const { return *m_shortener; }
    PostSender &sender() const { return *m_sender; }

Q_SIGNALS:
    // A send has been answered; on success the pane has closed and the shown
    // stream is being loaded again.
    void postFinished(bool succeeded);
    // The draft could not be written to its file; it is tried again until
    // it is written or the text goes.
    void draftNotWritten(const QString &path);

private:
    LinedTextView *view() const;
    void connectView();
    // After every edit and caret move: the counter, the marks, the
    // completion delay.
    void textViewDidChangeSelection();
    void charCount();
    void autocompletionTimer();
    void startAnswer(quint64 type, const QString &text, const QString &postId);
    // Empties the text through the text view's change protocol.
    void emptyText();
    void postAnswered(bool succeeded, const QString &sentText);
    void linkPasted(int id, const QString &link);
    // The text holds more than the reply or quote last put there.
    bool holdsWrittenText() const;
    // A change: the draft is written after a pause, and at least once a
    // while the changes go on.
    void scheduleDraft();
    void writeDraft();
    QString meID() const;

    QPointer<MainWindow> m_window;
    const SelectedPost *m_selection;
    Account *m_account;
    StreamLoader *m_streams;
    PostSender *m_sender = nullptr;
    LinkShortener *m_shortener = nullptr;
    quint64 m_currentPostType = 0;
    QString m_replyOrQuoteID;
    QString m_answerText; // what the last reply or quote put in front
    // What the composer held before the last reply or quote was put in front
    // of the user's text, so that taking the names away (Ctrl+Z) takes the
    // reply or quote away too.
    struct BeforeAnswer {
        QString text;
        quint64 type = 0;
        QString postId;
        quint64 answerType = 0;
        QString answerPostId;
    };
    std::optional<BeforeAnswer> m_beforeAnswer;
    bool m_isPostingAllowed = false;
    QTimer m_autocompleteWordsTimer;
    QTimer m_draftTimer;
    QTimer m_draftDeadline;
    DraftFile m_draft;
};
