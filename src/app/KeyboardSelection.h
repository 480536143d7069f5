#pragma once

#include <QObject>
#include <QPointer>

class MainWindow;
class PostsArrayController;

// Moving the list's selection with the keys: Up and Down step (from either
// end when nothing is selected), Page Up and Page Down move by the list's
// height, Home and End go to the first and the last post. While the
// composer has the focus it keeps these keys.
class KeyboardSelection : public QObject {
    Q_OBJECT
public:
    KeyboardSelection(MainWindow *window, PostsArrayController *posts, QObject *parent = nullptr);

    void selectNext();
    void selectPrevious();
    void selectPageAway(int direction);
    void selectFirst();
    void selectLast();

private:
    bool listHasTheKeys() const;

    QPointer<MainWindow> m_window;
    PostsArrayController *m_posts;
};
