#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QActionGroup;
class QPropertyAnimation;
class QToolBar;

// The preferences window: a toolbar of four pane buttons (General,
// Advanced, Gestures, Update) above one pane at a time. The window takes
// each pane's size, growing or shrinking with its top edge where it was.
class PreferencePanel : public QMainWindow {
    Q_OBJECT
public:
    // Height of the window's chrome above a pane: title bar and toolbar.
    static constexpr int chromeHeight = 78;

    explicit PreferencePanel(QWidget *parent = nullptr);

    // The panes, in toolbar order; the panel does not own them until shown.
    void setPanes(QWidget *view1, QWidget *view2, QWidget *view3, QWidget *view4);
    // Builds the toolbar, shows the first pane and centres the window.
    void awakeFromNib();
    void mapViewsToToolbar();
    void firstPane();
    // `tag` 0 to 3 selects a pane; any other selects nothing.
    void changePanes(int tag);

    static QStringList itemIdentifiers();
    QToolBar *toolbar() const { return m_toolbar; }
    QWidget *currentPane() const { return m_current; }
    int selectedTag() const;
    // Resizing is animated unless turned off (tests that measure it).
    void setAnimatesResize(bool animates) { m_animates = animates; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QRect frameForPane(QWidget *pane) const;
    int toolbarHeight() const;

    QWidget *m_views[4] = {};
    QPointer<QWidget> m_current;
    QToolBar *m_toolbar = nullptr;
    QActionGroup *m_group = nullptr;
    QPropertyAnimation *m_animation = nullptr;
    bool m_animates = true;
};
