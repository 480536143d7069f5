#pragma once

#include <QToolButton>

class QAbstractScrollArea;

// "3 new posts": a button floating at the top of a list after a refresh
// brought posts above the reader's place. It covers the list rather than
// pushing it down, so nothing the reader looks at moves. A click scrolls to
// the top; the reader's own scroll to the top takes it away (stepping to the
// newest post with the keys does too, through whoever shows it).
class NewPostsMarker : public QToolButton {
    Q_OBJECT
public:
    explicit NewPostsMarker(QAbstractScrollArea *list);

    void showCount(int count);
    int count() const { return m_count; }

Q_SIGNALS:
    void topWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QAbstractScrollArea *m_list;
    int m_count = 0;
};
