#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <utility>

class LinedTextView;
class QLabel;
class QToolButton;
class QVBoxLayout;

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

    // Shows `thumbnail` beside the text for as long as `link` is in it.
    void addPicture(const QString &link, const QImage &thumbnail);
    // The links whose thumbnails show, oldest first.
    QStringList pictureLinks() const;

Q_SIGNALS:
    void postClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void colourCounter();
    void dropPicturesNotInText();

    LinedTextView *m_text = nullptr;
    QLabel *m_counter = nullptr;
    QToolButton *m_postButton = nullptr;
    QString m_postButtonImage;
    QColor m_counterColour;
    QVBoxLayout *m_pictures = nullptr;
    QList<std::pair<QString, QLabel *>> m_pictureLabels;
};
