#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

// A quiet line above the list that tells the user something without
// stopping what they do (a file that cannot be read, what that means). It
// stays until its close button is pressed; a second notice is added below
// the first rather than replacing it.
class NoticeBar : public QFrame {
    Q_OBJECT
public:
    explicit NoticeBar(QWidget *parent = nullptr);

    void addNotice(const QString &text);
    QString text() const;
    QToolButton *closeButton() const { return m_close; }

private:
    QLabel *m_text = nullptr;
    QToolButton *m_close = nullptr;
};
