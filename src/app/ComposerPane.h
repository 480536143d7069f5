#pragma once

#include <QColor>
#include <QWidget>

class LinedTextView;
class QLabel;
class QToolButton;

namespace ComposerRules {
struct Counter;
}

// The pane above the list where posts are written: the text view, the
// remaining-character counter and the send button, whose picture names the
// kind of post being written.
class ComposerPane : public QWidget {
    Q_OBJECT
public:
    explicit ComposerPane(QWidget *parent = nullptr);

    LinedTextView *textView() const { return m_text; }
    QToolButton *postButton() const { return m_postButton; }
    QLabel *counter() const { return m_counter; }

    // "postTemplate", "replyTemplate" or "quoteTemplate".
    void setPostButtonImage(const QString &name);
    QString postButtonImage() const { return m_postButtonImage; }

    void showCounter(const ComposerRules::Counter &counter);
    // The send button can be pressed.
    void setPostingAllowed(bool allowed);

Q_SIGNALS:
    void postClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void colourCounter();

    LinedTextView *m_text = nullptr;
    QLabel *m_counter = nullptr;
    QToolButton *m_postButton = nullptr;
    QString m_postButtonImage;
    QColor m_counterColour;
};
