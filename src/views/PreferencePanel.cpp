#include "views/PreferencePanel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QIcon>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStyle>
#include <QToolBar>

namespace {

struct ToolbarItem {
    const char *identifier;
    const char *label;
    const char *imageName;
    const char *themeIcon;
    QStyle::StandardPixmap fallback;
};

const ToolbarItem items[] = {
    { "View1ItemIdentifier", "General", "prefsGeneralTemplate", "preferences-system",
        QStyle::SP_FileDialogListView },
    { "View2ItemIdentifier", "Advanced", "prefsAdvancedTemplate", "preferences-other",
        QStyle::SP_DriveNetIcon },
    { "View3ItemIdentifier", "Gestures", "prefsGesturesTemplate", "input-touchpad",
        QStyle::SP_ArrowRight },
    { "View4ItemIdentifier", "Update", "prefsUpdateTemplate", "system-software-update",
        QStyle::SP_BrowserReload },
};

} // namespace

PreferencePanel::PreferencePanel(QWidget *parent)
    : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("PreferencePanel"));
    setCentralWidget(new QWidget(this));
    // No context menu offering to hide or rearrange the toolbar.
    setContextMenuPolicy(Qt::PreventContextMenu);
    auto *close = new QAction(this);
    close->setShortcuts({ QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape) });
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

QStringList PreferencePanel::itemIdentifiers()
{
    QStringList identifiers;
    for (const ToolbarItem &item : items)
        identifiers << QString::fromLatin1(item.identifier);
    return identifiers;
}

void PreferencePanel::setPanes(QWidget *view1, QWidget *view2, QWidget *view3, QWidget *view4)
{
    QWidget *views[] = { view1, view2, view3, view4 };
    for (int i = 0; i < 4; ++i) {
        m_views[i] = views[i];
        if (views[i]) {
            views[i]->setParent(centralWidget());
            views[i]->hide();
        }
    }
}

void PreferencePanel::awakeFromNib()
{
    mapViewsToToolbar();
    firstPane();
    const QScreen *screen = parentWidget() && parentWidget()->screen()
        ? parentWidget()->screen()
        : QApplication::primaryScreen();
    if (screen) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        setGeometry(frame);
    }
}

void PreferencePanel::mapViewsToToolbar()
{
    if (!m_toolbar) {
        m_toolbar = new QToolBar(this);
        m_toolbar->setObjectName(
            QCoreApplication::applicationName() + QStringLiteral("PreferencesToolbar"));
        m_toolbar->setMovable(false);
        m_toolbar->setFloatable(false);
        m_toolbar->toggleViewAction()->setVisible(false);
        m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        m_toolbar->setIconSize(QSize(24, 24));
        addToolBar(Qt::TopToolBarArea, m_toolbar);
        m_group = new QActionGroup(this);
        m_group->setExclusive(true);
        for (int tag = 0; tag < 4; ++tag) {
            const ToolbarItem &item = items[tag];
            QIcon icon = QIcon::fromTheme(
                QString::fromLatin1(item.themeIcon), style()->standardIcon(item.fallback));
            QAction *action = m_toolbar->addAction(icon, QString::fromLatin1(item.label));
            action->setObjectName(QString::fromLatin1(item.identifier));
            action->setCheckable(true);
            action->setData(tag);
            m_group->addAction(action);
            connect(action, &QAction::triggered, this, [this, tag] { changePanes(tag); });
        }
    }
    setWindowTitle(QStringLiteral("General"));
    m_group->actions().first()->setChecked(true);
}

void PreferencePanel::firstPane()
{
    changePanes(0);
}

int PreferencePanel::selectedTag() const
{
    if (!m_group || !m_group->checkedAction())
        return -1;
    return m_group->checkedAction()->data().toInt();
}

int PreferencePanel::toolbarHeight() const
{
    // The window manager draws the title bar outside our geometry; the
    // toolbar takes the rest of the chrome's height.
    const int titleBar = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    const int wanted = chromeHeight - titleBar;
    return std::max(wanted, m_toolbar ? m_toolbar->sizeHint().height() : 0);
}

QRect PreferencePanel::frameForPane(QWidget *pane) const
{
    const QSize paneSize = pane->sizeHint().expandedTo(pane->minimumSize());
    QRect frame = geometry();
    // The top edge stays where it is while the height follows the pane.
    frame.setSize(QSize(paneSize.width(), paneSize.height() + toolbarHeight()));
    return frame;
}

void PreferencePanel::changePanes(int tag)
{
    if (tag < 0 || tag > 3 || !m_views[tag] || !m_toolbar)
        return;
    setWindowTitle(QString::fromLatin1(items[tag].label));
    m_group->actions().at(tag)->setChecked(true);
    QWidget *pane = m_views[tag];
    const QRect target = frameForPane(pane);

    if (m_current && m_current != pane)
        m_current->hide();
    m_toolbar->setFixedHeight(toolbarHeight());
    if (m_animation)
        m_animation->stop();
    if (m_animates && isVisible()) {
        if (!m_animation) {
            m_animation = new QPropertyAnimation(this, "geometry", this);
            m_animation->setDuration(180);
            m_animation->setEasingCurve(QEasingCurve::InOutQuad);
        }
        m_animation->setStartValue(geometry());
        m_animation->setEndValue(target);
        m_animation->start();
    } else {
        setGeometry(target);
    }
    pane->setGeometry(QRect(QPoint(0, 0), target.size() - QSize(0, toolbarHeight())));
    pane->show();
    m_current = pane;
}

void PreferencePanel::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The first pane was sized before the window manager's frame was known.
    if (m_current && m_toolbar && m_toolbar->height() != toolbarHeight()) {
        m_toolbar->setFixedHeight(toolbarHeight());
        setGeometry(frameForPane(m_current));
    }
}
