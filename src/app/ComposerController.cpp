#include "app/ComposerController.h"

#include "app/ComposerPane.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "service/Account.h"
#include "service/LinkShortener.h"
#include "service/PostSender.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "text/CompletionRules.h"
#include "text/ComposerRules.h"
#include "text/LinedTextView.h"
#include "text/TextChangeRefused.h"

#include <QDebug>

ComposerController::ComposerController(MainWindow *window, const SelectedPost *selection,
    Account *account, StreamLoader *streams, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_selection(selection)
    , m_account(account)
    , m_streams(streams)
{
    m_sender = new PostSender(&m_account->api(), this);
    connect(m_sender, &PostSender::finished, this, &ComposerController::postAnswered);
    m_shortener = new LinkShortener(this);

    m_autocompleteWordsTimer.setSingleShot(true);
    m_autocompleteWordsTimer.setInterval(CompletionRules::delayMs);
    connect(&m_autocompleteWordsTimer, &QTimer::timeout, this,
        &ComposerController::autocompletionTimer);
    m_draftTimer.setSingleShot(true);
    m_draftTimer.setInterval(draftDelayMs);
    connect(&m_draftTimer, &QTimer::timeout, this, &ComposerController::writeDraft);
    m_draftDeadline.setSingleShot(true);
    m_draftDeadline.setInterval(draftLongestWaitMs);
    connect(&m_draftDeadline, &QTimer::timeout, this, &ComposerController::writeDraft);
    connectView();
}

ComposerController::~ComposerController() = default;

LinedTextView *ComposerController::view() const
{
    return m_window ? m_window->composer() : nullptr;
}

void ComposerController::connectView()
{
    LinedTextView *text = view();
    if (!text)
        return;
    connect(
        text, &QPlainTextEdit::textChanged, this, &ComposerController::textViewDidChangeSelection);
    connect(text, &QPlainTextEdit::cursorPositionChanged, this,
        &ComposerController::textViewDidChangeSelection);
    connect(text, &QPlainTextEdit::textChanged, this, &ComposerController::scheduleDraft);
    connect(text, &LinedTextView::sendRequested, this, &ComposerController::post);
    connect(text, &LinedTextView::linkPasted, this, &ComposerController::linkPasted);
    text->setWordSource([this] { return m_account->completionWords().words(); });
    connect(m_window->composerPane(), &ComposerPane::postClicked, this, &ComposerController::post);
    charCount();
}

void ComposerController::setCurrentPostType(quint64 type)
{
    m_currentPostType = ComposerRules::isKnownPostType(type) ? type : ComposerRules::NewPost;
    if (m_currentPostType == ComposerRules::NewPost)
        m_replyOrQuoteID.clear();
    if (m_window)
        m_window->setPostButtonImage(ComposerRules::buttonImageFor(m_currentPostType));
    scheduleDraft();
}

bool ComposerController::isPostAvailable() const
{
    return view() && !view()->document()->isEmpty();
}

bool ComposerController::isSending() const
{
    return m_sender->isSending();
}

// --- Starting a post ---

void ComposerController::newPost()
{
    if (!m_window)
        return;
    if (!m_window->isComposerOpen())
        uncollapseSplitView();
    else if (!isPostAvailable())
        collapseSplitView();
    emptyText();
    setCurrentPostType(ComposerRules::NewPost);
}

void ComposerController::doTheReply()
{
    const QString postId = m_selection->replyOrQuoteID();
    if (postId.isEmpty()) {
        SystemBeep::beep(); // no post has been selected yet
        return;
    }
    startAnswer(ComposerRules::Reply,
        ComposerRules::replyText(m_selection->currentDictionary(), meID()), postId);
}

void ComposerController::replyTo(const QVariantMap &post)
{
    const QString postId = post.value(QStringLiteral("id")).toString();
    if (postId.isEmpty())
        return;
    startAnswer(ComposerRules::Reply, ComposerRules::replyText(post, meID()), postId);
}

void ComposerController::quote()
{
    const QString postId = m_selection->replyOrQuoteID();
    if (postId.isEmpty()) {
        SystemBeep::beep();
        return;
    }
    startAnswer(
        ComposerRules::Quote, ComposerRules::quoteText(m_selection->currentDictionary()), postId);
}

void ComposerController::startAnswer(quint64 type, const QString &text, const QString &postId)
{
    LinedTextView *composer = view();
    if (!composer)
        return;
    // What the user wrote stays, after the names or the quote; a reply or
    // quote nobody wrote into yet is replaced, and the same one again is
    // not put twice.
    QString written = holdsWrittenText() ? composer->text() : QString();
    if (written.startsWith(text))
        written.remove(0, text.size());
    const bool putInFront = !written.isEmpty() && composer->text() != text + written;
    if (putInFront)
        m_beforeAnswer
            = BeforeAnswer { composer->text(), m_currentPostType, m_replyOrQuoteID, type, postId };
    else
        m_beforeAnswer.reset();
    setCurrentPostType(type);
    m_replyOrQuoteID = postId;
    m_answerText = text;
    if (composer->text() != text + written)
        composer->setTextUndoably(text + written);
    uncollapseSplitView();
    composer->setFocus();
}

QString ComposerController::meID() const
{
    if (!m_account->meID().isEmpty())
        return m_account->meID();
    return Preferences::standard().value(prefs::meID).value_or(QString());
}

// --- After every change ---

void ComposerController::textViewDidChangeSelection()
{
    charCount();
    if (LinedTextView *composer = view())
        composer->scanTextView();
    // Each change moves the moment on: the list opens after a pause.
    m_autocompleteWordsTimer.start();
}

void ComposerController::charCount()
{
    LinedTextView *composer = view();
    if (!composer)
        return;
    const qsizetype length = composer->document()->characterCount() - 1;
    // A send on its way keeps sending refused whatever is typed meanwhile.
    m_isPostingAllowed = length > 0 && !m_sender->isSending();
    if (length == 0 && m_currentPostType != ComposerRules::NewPost)
        setCurrentPostType(ComposerRules::NewPost);
    if (m_beforeAnswer && m_currentPostType == m_beforeAnswer->answerType
        && m_replyOrQuoteID == m_beforeAnswer->answerPostId
        && composer->text() == m_beforeAnswer->text) {
        setCurrentPostType(m_beforeAnswer->type);
        m_replyOrQuoteID = m_beforeAnswer->postId;
        m_beforeAnswer.reset();
    }
    m_window->composerPane()->showCounter(ComposerRules::counterFor(length));
    m_window->composerPane()->setPostingAllowed(m_isPostingAllowed);
}

void ComposerController::autocompletionTimer()
{
    LinedTextView *composer = view();
    // The list belongs under the caret of someone writing, not over a
    // composer that was filled while the user is elsewhere.
    if (!composer || !m_window->isComposerOpen() || !composer->hasFocus())
        return;
    const QTextCursor caret = composer->textCursor();
    if (CompletionRules::caretAllowsCompletion(
            composer->text(), caret.position(), caret.selectionEnd() - caret.selectionStart()))
        composer->complete();
}

// --- Sending ---

void ComposerController::post()
{
    LinedTextView *composer = view();
    if (!composer || !m_isPostingAllowed)
        return;
    const QString replyTo
        = ComposerRules::answersAPost(m_currentPostType) ? m_replyOrQuoteID : QString();
    if (!m_sender->send(composer->text(), replyTo))
        return;
    m_isPostingAllowed = false;
    m_window->composerPane()->setPostingAllowed(false);
}

void ComposerController::postAnswered(bool succeeded, const QString &sentText)
{
    LinedTextView *composer = view();
    if (!composer)
        return;
    if (!succeeded) {
        // Text, kind and pane stay; the draft stays too. The alert follows.
        charCount();
        Q_EMIT postFinished(false);
        return;
    }
    const QString text = composer->text();
    if (text == sentText) {
        collapseSplitView();
        emptyText();
        setCurrentPostType(ComposerRules::NewPost);
        m_draftTimer.stop();
        m_draftDeadline.stop();
        m_draft.remove();
    } else {
        // Text typed (or a link put in) while the post was on its way is the
        // start of another post: it stays, without what was sent, which would
        // otherwise go out twice. Where the sent part was changed meanwhile,
        // all of it stays.
        if (text.startsWith(sentText)) {
            QStringView rest = QStringView(text).sliced(sentText.size());
            while (!rest.isEmpty() && rest.front().isSpace())
                rest = rest.sliced(1);
            composer->setTextUndoably(rest.toString());
            setCurrentPostType(ComposerRules::NewPost);
            m_beforeAnswer.reset();
        }
        charCount();
    }
    m_streams->reloadShownStream();
    Q_EMIT postFinished(true);
}

// --- Pasted links ---

void ComposerController::linkPasted(int id, const QString &link)
{
    QPointer<LinedTextView> composer = view();
    m_shortener->shorten(link, composer, [composer, id](const std::optional<QString> &shortLink) {
        if (!composer)
            return;
        if (shortLink)
            composer->replacePastedLink(id, *shortLink);
        else
            composer->forgetPastedLink(id);
    });
}

// --- The pane ---

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

void ComposerController::emptyText()
{
    m_beforeAnswer.reset();
    LinedTextView *composer = view();
    if (!composer)
        return;
    // Emptying is never refused by the limit; a refusal would be a fault,
    // and it is logged rather than let loose.
    try {
        composer->replaceAllText(QString());
    } catch (const TextChangeRefused &) {
        qWarning().noquote() << "Emptying the composer failed:" << TextChangeRefused::name
                             << TextChangeRefused::reason;
    }
}

bool ComposerController::closeStep()
{
    if (!m_window || !m_window->isComposerOpen())
        return false;
    // Text first, then the pane.
    if (!isPostAvailable())
        collapseSplitView();
    emptyText();
    setCurrentPostType(ComposerRules::NewPost);
    return true;
}

void ComposerController::resetComposer()
{
    if (holdsWrittenText())
        return;
    emptyText();
    setCurrentPostType(ComposerRules::NewPost);
}

// --- The draft ---

void ComposerController::openDraft(const QString &path)
{
    m_draft.open(path);
    LinedTextView *composer = view();
    if (!composer || !m_draft.draft() || m_draft.draft()->text.isEmpty())
        return;
    const ComposerDraft &draft = *m_draft.draft();
    composer->setPlainText(draft.text);
    // A reply whose target was lost is kept as a new post.
    const bool answers = ComposerRules::answersAPost(draft.postType) && !draft.replyTo.isEmpty();
    setCurrentPostType(answers ? draft.postType : ComposerRules::NewPost);
    if (answers)
        m_replyOrQuoteID = draft.replyTo;
    composer->moveCursor(QTextCursor::End);
    uncollapseSplitView();
    m_draftTimer.stop();
    m_draftDeadline.stop();
}

void ComposerController::saveDraftNow()
{
    if (m_draftTimer.isActive() || m_draftDeadline.isActive())
        writeDraft();
}

bool ComposerController::holdsWrittenText() const
{
    return isPostAvailable() && view()->text() != m_answerText;
}

void ComposerController::scheduleDraft()
{
    // Each change moves the pause on; the deadline does not move, so a
    // kill during steady typing loses at most about a second of it.
    m_draftTimer.start(draftDelayMs);
    if (!m_draftDeadline.isActive())
        m_draftDeadline.start();
}

void ComposerController::writeDraft()
{
    m_draftTimer.stop();
    m_draftDeadline.stop();
    LinedTextView *composer = view();
    if (!composer || m_draft.path().isEmpty())
        return;
    const QString text = composer->text();
    const bool written = text.isEmpty()
        ? m_draft.remove()
        : m_draft.save({ text, m_currentPostType, m_replyOrQuoteID });
    // An unreadable draft file is never written (said at start). Any other
    // failure (a full disk, a file that cannot be replaced) would leave an
    // older draft to come back after a crash: the write is tried again, also
    // at quit, and the user is told.
    if (written || m_draft.status() == DraftFile::Status::Unreadable)
        return;
    m_draftTimer.start(draftRetryMs);
    Q_EMIT draftNotWritten(m_draft.path());
}
