#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

// A quiet line above the list that tells the user something without
// stopping what they do (a file that cannot be read, what that means). It
// stays until its close button is pressed; a second notice is added below
// the first rather than replacing it. Besides these it holds at most one
// status: a line for a state that lasts (the service cannot be reached),
// with one button, replaced as the state changes and taken away when it ends.
class NoticeBar : public QFrame {
    Q_OBJECT
public:
    explicit NoticeBar(QWidget *parent = nullptr);

    void addNotice(const QString &text);
    QString text() const;
    QToolButton *closeButton() const { return m_close; }

    void setStatus(const QString &text, const QString &actionText);
    void clearStatus();
    QString statusText() const;
    QToolButton *statusButton() const { return m_statusAction; }

Q_SIGNALS:
    void statusActionClicked();

private:
    void showOrHide();

    QLabel *m_text = nullptr;
    QWidget *m_statusLine = nullptr;
    QLabel *m_status = nullptr;
    QToolButton *m_statusAction = nullptr;
    QToolButton *m_close = nullptr;
};
