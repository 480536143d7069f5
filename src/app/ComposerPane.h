#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QToolButton;

// The pane above the list where posts are written: the text view, the
// remaining-character counter and the send button.
class ComposerPane : public QWidget {
    Q_OBJECT
public:
    explicit ComposerPane(QWidget *parent = nullptr);

    QPlainTextEdit *textView() const { return m_text; }
    QToolButton *postButton() const { return m_postButton; }
    QLabel *counter() const { return m_counter; }

    // The name of the image the send button shows ("postTemplate" for a new post).
    void setPostButtonImage(const QString &name);
    QString postButtonImage() const { return m_postButtonImage; }

private:
    void updateCounter();

    QPlainTextEdit *m_text = nullptr;
    QLabel *m_counter = nullptr;
    QToolButton *m_postButton = nullptr;
    QString m_postButtonImage;
};
