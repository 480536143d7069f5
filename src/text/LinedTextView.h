#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <functional>

class EntityHighlighter;
class QCompleter;
class QStringListModel;

// The composer's text view. Every change that puts text in goes through the
// length limit first (typing, input methods, pastes, drops, a chosen
// completion); a refused one beeps and changes nothing. A paste is taken as
// it is, followed by one space; a pasted link that may be shortened is
// announced (linkPasted) and can later be swapped for its short link if it is
// still there as it was pasted. Links, hashtags and mentions are marked when
// asked (scanTextView). Below the caret a list of user names opens when asked
// (complete()); Up and Down move in it, Return or Tab choose, Escape closes.
// Ctrl+Return and Ctrl+Enter ask for the post to be sent.
class LinedTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // The file names a dropped image may have, compared exactly.
    static bool isUploadableImagePath(const QString &path);
    // A dropped file: an image is recorded under "dragFilePathTMP" and
    // "UPLOADIMAGENF" posted; anything else beeps. True when a file was dropped.
    static bool takeDroppedFile(const QMimeData *source);

    using WordSource = std::function<QStringList()>;

    explicit LinedTextView(QWidget *parent = nullptr);
    ~LinedTextView() override;

    // The composer's look, with the size of the font-size preference read now.
    void applyFont();

    // The text as the service gets it: line and paragraph breaks are "\n".
    QString text() const;

    // The change protocol. A change that would put text in is refused, with
    // the beep, once the text is at the limit.
    bool shouldChangeText(const QString &replacement);
    // Replaces the whole text when the limit allows; raises
    // TextChangeRefused otherwise. One step of the undo history.
    void replaceAllText(const QString &text);
    // The same without asking the limit, for the commands that start a reply
    // or a quote; the text it replaces is one undo away.
    void setTextUndoably(const QString &text);
    // What a paste does with `text` (the clipboard's, or a drop's in tests).
    // Raises TextChangeRefused when the trailing space is refused.
    void pasteText(const QString &text);

    // Swaps a pasted link for its short link; false when the link is no
    // longer where it was pasted as it was (the user edited it).
    bool replacePastedLink(int id, const QString &shortLink);
    void forgetPastedLink(int id);
    int pendingPastedLinks() const { return int(m_pastedLinks.size()); }

    // Adds the marks of the text as it is now; clearMarks() drops them all.
    void scanTextView();
    EntityHighlighter *highlighter() const { return m_highlighter; }

    // Where the user names for completion come from.
    void setWordSource(WordSource words) { m_words = std::move(words); }
    // Opens (or updates) the completion list for the mention before the
    // caret; closes it when nothing fits.
    void complete();
    bool isCompletionVisible() const;
    QCompleter *completer() const { return m_completer; }

    // The background: a line under every line of text and a picture.
    QColor lineColor() const { return m_lineColor; }
    void setLineColor(const QColor &color);
    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    bool drawsLinesAndImage() const { return m_drawsLinesAndImage; }
    void setDrawsLinesAndImage(bool draws);

Q_SIGNALS:
    void sendRequested();
    // A paste that the shortener may make shorter; `id` names it for
    // replacePastedLink() and forgetPastedLink().
    void linkPasted(int id, const QString &link);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The text and mark colours, readable on the desktop's palette now.
    void applyColours();

    struct PastedLink {
        int id = 0;
        QTextCursor start; // moves with the edits before it
        QString text;
    };

    void insertCompletion(const QString &name);
    // The keys the open completion list takes for itself.
    bool isListKey(const QEvent *event) const;

    EntityHighlighter *m_highlighter = nullptr;
    QCompleter *m_completer = nullptr;
    QStringListModel *m_candidates = nullptr;
    WordSource m_words;
    QList<PastedLink> m_pastedLinks;
    int m_nextPasteId = 1;
    bool m_inDrop = false;
    bool m_applyingColours = false;
    QColor m_lineColor;
    QImage m_image;
    bool m_drawsLinesAndImage = false;
};
