#include "text/LinedTextView.h"

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "text/CompletionRules.h"
#include "text/ComposerRules.h"
#include "text/EntityHighlighter.h"
#include "text/ReadableColors.h"
#include "text/StyledTextLayout.h"
#include "text/TextChangeRefused.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDebug>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>

#include <algorithm>

namespace {

// Keys that put text in when typed; shortcuts do not.
std::optional<QString> typedText(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool shortcut
        = (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier);
    if (shortcut)
        return std::nullopt;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return QStringLiteral("\n");
    const QString text = event->text();
    if (text.isEmpty())
        return std::nullopt;
    const QChar first = text.at(0);
    if (first.isPrint() || first.isSurrogate() || first == u'\t')
        return text;
    return std::nullopt;
}

// Closes an undo step and puts the view's caret where the edit left it,
// also when the edit ends with a refusal.
class EditStep {
public:
    EditStep(QPlainTextEdit *view, QTextCursor &cursor)
        : m_view(view)
        , m_cursor(cursor)
    {
        m_cursor.beginEditBlock();
    }
    ~EditStep()
    {
        m_cursor.endEditBlock();
        m_view->setTextCursor(m_cursor);
    }
    EditStep(const EditStep &) = delete;
    EditStep &operator=(const EditStep &) = delete;

private:
    QPlainTextEdit *m_view;
    QTextCursor &m_cursor;
};

} // namespace

LinedTextView::LinedTextView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_lineColor(QColor::fromRgbF(0.0f, 0.251f, 0.502f, 0.1f))
{
    m_highlighter = new EntityHighlighter(document());
    // Tab moves on to the next control, as in any form; a post has no use
    // for tab characters. With the list of names open it completes.
    setTabChangesFocus(true);
    applyFont();
    // A new font size reaches the text being written at once.
    connect(&Preferences::standard(), &Preferences::changed, this, [this](const QString &key) {
        if (key == QLatin1String(prefs::prefsFontSize.name))
            applyFont();
    });

    m_candidates = new QStringListModel(this);
    m_completer = new QCompleter(m_candidates, this);
    m_completer->setWidget(this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setMaxVisibleItems(8);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
        &LinedTextView::insertCompletion);
    m_completer->popup()->installEventFilter(this);
    // An open list follows the typing.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (isCompletionVisible())
            complete();
    });
}

LinedTextView::~LinedTextView() = default;

void LinedTextView::applyFont()
{
    const BaseTextStyle style
        = ComposerRules::composerTextStyle(Preferences::standard().value(prefs::prefsFontSize));
    // The look lives in the view's font and palette rather than in character
    // formats, so text put in by any means has it and a change reaches all.
    setFont(StyledTextLayout::fontFor(style));
    applyColours();
}

void LinedTextView::applyColours()
{
    const BaseTextStyle style
        = ComposerRules::composerTextStyle(Preferences::standard().value(prefs::prefsFontSize));
    // The composer's own grey, unless a dark palette needs its own text colour.
    // What the view would inherit: its own palette holds the colour set here.
    const QPalette desktop
        = parentWidget() && !isWindow() ? parentWidget()->palette() : QApplication::palette(this);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, ReadableColors::readableIn(style.color, desktop));
    m_applyingColours = true;
    setPalette(colours);
    m_applyingColours = false;
    m_highlighter->setBackground(desktop.color(QPalette::Base));
}

void LinedTextView::changeEvent(QEvent *event)
{
    // The desktop may switch between light and dark while the program runs.
    if (event->type() == QEvent::PaletteChange && !m_applyingColours)
        applyColours();
    QPlainTextEdit::changeEvent(event);
}

QString LinedTextView::text() const
{
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool LinedTextView::shouldChangeText(const QString &replacement)
{
    if (ComposerRules::allowsChange(document()->characterCount() - 1, replacement))
        return true;
    SystemBeep::beep();
    return false;
}

void LinedTextView::replaceAllText(const QString &text)
{
    if (!shouldChangeText(text))
        throw TextChangeRefused();
    setTextUndoably(text);
}

void LinedTextView::setTextUndoably(const QString &text)
{
    QTextCursor cursor(document());
    EditStep step(this, cursor);
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
}

void LinedTextView::pasteText(const QString &pasted)
{
    QTextCursor cursor = textCursor();
    EditStep step(this, cursor);
    if (!pasted.isEmpty() && shouldChangeText(pasted)) {
        cursor.insertText(pasted);
        if (ComposerRules::pasteShouldBeShortened(pasted)) {
            QTextCursor start(document());
            start.setPosition(cursor.position() - int(pasted.size()));
            const int id = m_nextPasteId++;
            m_pastedLinks.append({ id, start, pasted });
            Q_EMIT linkPasted(id, pasted);
        }
    }
    // The paste sets the composer's look over the whole text: the marks go
    // until the next scan.
    m_highlighter->clearMarks();
    if (!shouldChangeText(QStringLiteral(" ")))
        throw TextChangeRefused();
    cursor.setPosition(cursor.selectionStart());
    cursor.insertText(QStringLiteral(" "));
}

bool LinedTextView::replacePastedLink(int id, const QString &shortLink)
{
    const auto found = std::find_if(m_pastedLinks.begin(), m_pastedLinks.end(),
        [id](const PastedLink &link) { return link.id == id; });
    if (found == m_pastedLinks.end())
        return false;
    const PastedLink link = *found;
    m_pastedLinks.erase(found);
    const int start = link.start.position();
    const int length = int(link.text.size());
    QTextCursor range(document());
    range.setPosition(start);
    range.setPosition(
        std::min(start + length, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    if (range.selectedText() != link.text)
        return false;
    // A shorter link makes room, so the length limit has no say; a longer
    // one (a strange shortener) is put in only where there is room.
    if (shortLink.size() > link.text.size()
        && !ComposerRules::allowsChange(document()->characterCount() - 1, shortLink))
        return false;
    range.insertText(shortLink);
    return true;
}

void LinedTextView::forgetPastedLink(int id)
{
    m_pastedLinks.removeIf([id](const PastedLink &link) { return link.id == id; });
}

void LinedTextView::scanTextView()
{
    m_highlighter->scan();
}

void LinedTextView::complete()
{
    const QTextCursor cursor = textCursor();
    CompletionRules::Completion completion;
    if (!cursor.hasSelection())
        completion = CompletionRules::completionAt(
            m_words ? m_words() : QStringList(), text(), cursor.position());
    // A name typed out in full has nothing left to complete (the list
    // would come back right after a choice).
    const QString typed = text().mid(completion.start, completion.length);
    const bool onlyTyped = std::all_of(completion.names.cbegin(), completion.names.cend(),
        [&typed](const QString &name) { return name.compare(typed, Qt::CaseInsensitive) == 0; });
    if (completion.names.isEmpty() || onlyTyped) {
        m_completer->popup()->hide();
        return;
    }
    m_candidates->setStringList(completion.names);
    m_completer->setCompletionPrefix(QString());
    QAbstractItemView *popup = m_completer->popup();
    QRect below = cursorRect();
    below.translate(viewport()->pos());
    below.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width()
        + 2 * popup->frameWidth());
    m_completer->complete(below);
    popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}

bool LinedTextView::isCompletionVisible() const
{
    return m_completer->popup()->isVisible();
}

void LinedTextView::insertCompletion(const QString &name)
{
    const QTextCursor caret = textCursor();
    const CompletionRules::Completion at
        = CompletionRules::completionAt({}, text(), caret.position());
    // The range starts after an "@"; none means the caret has left the mention.
    if (at.start == 0 || caret.hasSelection() || !shouldChangeText(name))
        return;
    QTextCursor cursor = textCursor();
    EditStep step(this, cursor);
    cursor.setPosition(at.start);
    cursor.setPosition(at.start + at.length, QTextCursor::KeepAnchor);
    cursor.insertText(name);
}

bool LinedTextView::isListKey(const QEvent *event) const
{
    if (!m_completer || !isCompletionVisible())
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    // Ctrl+Return sends, list or no list.
    if (key->modifiers() & Qt::ControlModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

bool LinedTextView::event(QEvent *event)
{
    // With the list open, Escape closes the list and nothing else: the
    // window's own Escape (the close command) must not see it.
    if (event->type() == QEvent::ShortcutOverride && isListKey(event)) {
        event->accept();
        return true;
    }
    // The list takes its keys: Tab among them chooses a name rather than
    // moving on in the window, which the widget's own event would do first.
    if (event->type() == QEvent::KeyPress && isListKey(event)) {
        event->ignore();
        return false;
    }
    return QPlainTextEdit::event(event);
}

bool LinedTextView::eventFilter(QObject *watched, QEvent *event)
{
    // The scroll area filters its viewport through here too, from the start.
    if (event->type() == QEvent::ShortcutOverride && m_completer && watched == m_completer->popup()
        && isListKey(event)) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

void LinedTextView::keyPressEvent(QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        m_completer->popup()->hide();
        Q_EMIT sendRequested();
        return;
    }
    if (!event->matches(QKeySequence::Paste)) {
        if (const auto typed = typedText(event); typed && !shouldChangeText(*typed)) {
            event->accept(); // the keystroke is dropped
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LinedTextView::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !shouldChangeText(event->commitString())) {
        QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&withoutCommit);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void LinedTextView::insertFromMimeData(const QMimeData *source)
{
    if (m_inDrop) {
        // A drop puts its text in as it is.
        if (source->hasText() && !shouldChangeText(source->text()))
            return;
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The toolkit calls this for every paste (keys, menu, middle button); the
    // refusal ends here and never reaches it.
    try {
        if (source->hasText()) {
            pasteText(source->text());
        } else {
            QPlainTextEdit::insertFromMimeData(source);
            pasteText(QString());
        }
    } catch (const TextChangeRefused &) {
        qWarning().noquote() << "Paste ended early:" << TextChangeRefused::name
                             << TextChangeRefused::reason;
    }
}

bool LinedTextView::isUploadableImagePath(const QString &path)
{
    static const QStringList extensions { QStringLiteral("jpg"), QStringLiteral("jpeg"),
        QStringLiteral("pdf"), QStringLiteral("png"), QStringLiteral("tif"), QStringLiteral("tiff"),
        QStringLiteral("gif"), QStringLiteral("psd"), QStringLiteral("bmp"),
        QStringLiteral("icns") };
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return dot > slash + 1 && extensions.contains(path.mid(dot + 1));
}

bool LinedTextView::takeDroppedFile(const QMimeData *source)
{
    if (!source || !source->hasUrls() || source->urls().isEmpty())
        return false;
    const QUrl url = source->urls().first();
    if (!url.isLocalFile())
        return false;
    const QString path = url.toLocalFile();
    if (!isUploadableImagePath(path)) {
        SystemBeep::beep();
        return true;
    }
    Preferences::standard().setValue(prefs::dragFilePathTMP, path);
    NotificationBus::defaultCenter().post(nf::uploadImage, path);
    return true;
}

bool LinedTextView::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasUrls() || QPlainTextEdit::canInsertFromMimeData(source);
}

void LinedTextView::dropEvent(QDropEvent *event)
{
    if (takeDroppedFile(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    m_inDrop = true;
    QPlainTextEdit::dropEvent(event);
    m_inDrop = false;
}

void LinedTextView::setLineColor(const QColor &color)
{
    m_lineColor = color;
    viewport()->update();
}

void LinedTextView::setImage(const QImage &image)
{
    m_image = image;
    viewport()->update();
}

void LinedTextView::setDrawsLinesAndImage(bool draws)
{
    m_drawsLinesAndImage = draws;
    viewport()->update();
}

void LinedTextView::paintEvent(QPaintEvent *event)
{
    if (m_drawsLinesAndImage) {
        QPainter painter(viewport());
        painter.setPen(m_lineColor);
        const qreal spacing = fontMetrics().lineSpacing();
        const qreal top = contentOffset().y() + document()->documentMargin();
        for (qreal y = top + spacing; y < viewport()->height(); y += spacing)
            painter.drawLine(QPointF(0, y), QPointF(viewport()->width(), y));
        if (!m_image.isNull())
            painter.drawImage(QPoint(viewport()->width() - m_image.width(),
                                  viewport()->height() - m_image.height()),
                m_image);
    }
    QPlainTextEdit::paintEvent(event);
}
