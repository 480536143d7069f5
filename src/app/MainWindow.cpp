#include "app/MainWindow.h"

#include "app/ComposerPane.h"
#include "service/PostsArrayController.h"
#include "text/LinedTextView.h"
#include "views/NewPostsMarker.h"
#include "views/NoticeBar.h"
#include "views/RefreshScrollView.h"
#include "views/SideBar.h"
#include "views/TimelineListView.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QGraphicsOpacityEffect *opacityEffect(QWidget *widget)
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        effect->setOpacity(1.0);
        widget->setGraphicsEffect(effect);
    }
    return effect;
}

// Fades are not blocking: the window keeps painting and handling input.
QPropertyAnimation *animateOpacity(QWidget *widget, qreal to, int ms)
{
    QGraphicsOpacityEffect *effect = opacityEffect(widget);
    // A running fade of the same widget gives way to the new one.
    for (auto *running : widget->findChildren<QPropertyAnimation *>(
             QStringLiteral("fade"), Qt::FindDirectChildrenOnly))
        running->stop();
    auto *animation = new QPropertyAnimation(effect, "opacity", widget);
    animation->setObjectName(QStringLiteral("fade"));
    animation->setDuration(ms);
    animation->setStartValue(effect->opacity());
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velto"));
    setObjectName(QStringLiteral("mainWindow"));
    resize(440, 720);
    setMinimumSize(320, 360);

    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_sideBar = new SideBar(central);
    m_sideBar->setFixedWidth(sideBarWidth);
    row->addWidget(m_sideBar);

    m_content = new QWidget(central);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_bar = buildBar();
    column->addWidget(m_bar);

    m_progress = new QProgressBar(m_content);
    m_progress->setRange(0, 0);
    m_progress->setFixedHeight(3);
    m_progress->setTextVisible(false);
    // Its place is kept while it is hidden: showing it for a refresh must not
    // move the list, which would lay out and paint every row again.
    QSizePolicy keepsPlace = m_progress->sizePolicy();
    keepsPlace.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepsPlace);
    m_progress->hide();
    column->addWidget(m_progress);
    m_notices = new NoticeBar(m_content);
    column->addWidget(m_notices);

    m_split = new QSplitter(Qt::Vertical, m_content);
    m_split->setChildrenCollapsible(true);
    // The divider is pinned and hidden: the pane is open at its height or closed.
    m_split->setHandleWidth(0);
    m_composerPane = new ComposerPane(m_split);
    m_composerPane->setFixedHeight(composerHeight);
    m_list = new TimelineListView;
    m_list->setObjectName(QStringLiteral("timeline"));
    m_list->setAccessibleName(QStringLiteral("Posts"));
    m_refreshView = new RefreshScrollView(m_list, m_split);
    m_newPosts = new NewPostsMarker(m_list);
    connect(m_newPosts, &NewPostsMarker::topWanted, this, &MainWindow::scrollListToTop);
    m_split->addWidget(m_composerPane);
    m_split->addWidget(m_refreshView);
    // Only the list grows and shrinks with the window.
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    column->addWidget(m_split, 1);

    m_loadOlderIndicator = new QLabel(QStringLiteral("Loading older posts…"), m_content);
    m_loadOlderIndicator->setAlignment(Qt::AlignCenter);
    m_loadOlderIndicator->hide();
    column->addWidget(m_loadOlderIndicator);

    row->addWidget(m_content, 1);
    setCentralWidget(central);
    orderFocusChain();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // A quit closes the windows too; only the user's close is news.
    if (event->isAccepted() && event->spontaneous())
        Q_EMIT closedByUser();
}

void MainWindow::orderFocusChain()
{
    QList<QWidget *> chain;
    for (int row = 0; row < m_sideBar->numberOfRows(); ++row)
        chain << m_sideBar->cellForItem(row);
    chain << m_backButton << m_refreshButton << m_newPostButton << composer()
          << m_composerPane->postButton() << m_list;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

MainWindow::~MainWindow() = default;

QWidget *MainWindow::buildBar()
{
    auto *bar = new QWidget(m_content);
    bar->setObjectName(QStringLiteral("toolbarView"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 3, 6, 3);

    m_backBar = new QWidget(bar);
    m_backBar->setObjectName(QStringLiteral("toolbarBackView"));
    auto *backLayout = new QHBoxLayout(m_backBar);
    backLayout->setContentsMargins(0, 0, 0, 0);
    m_backButton = new QToolButton(m_backBar);
    m_backButton->setArrowType(Qt::LeftArrow);
    m_backButton->setToolTip(QStringLiteral("Back"));
    m_backButton->setAccessibleName(QStringLiteral("Back"));
    connect(m_backButton, &QToolButton::clicked, this, &MainWindow::backClicked);
    backLayout->addWidget(m_backButton);
    m_backBarLabel = new QLabel(m_backBar);
    m_backBarLabel->setObjectName(QStringLiteral("toolbarBackInfoField"));
    backLayout->addWidget(m_backBarLabel);
    m_backBar->hide();
    layout->addWidget(m_backBar);
    layout->addStretch(1);

    m_tools = new QWidget(bar);
    auto *tools = new QHBoxLayout(m_tools);
    tools->setContentsMargins(0, 0, 0, 0);
    m_mentionIndicator = new QLabel(m_tools);
    m_mentionIndicator->setObjectName(QStringLiteral("notificationView"));
    m_mentionIndicator->setToolTip(QStringLiteral("New mentions"));
    m_mentionIndicator->hide();
    tools->addWidget(m_mentionIndicator);
    auto *refresh = m_refreshButton = new QToolButton(m_tools);
    refresh->setText(QStringLiteral("⟳"));
    refresh->setToolTip(QStringLiteral("Refresh"));
    refresh->setAccessibleName(QStringLiteral("Refresh"));
    connect(refresh, &QToolButton::clicked, this, &MainWindow::refreshClicked);
    tools->addWidget(refresh);
    auto *newPost = m_newPostButton = new QToolButton(m_tools);
    newPost->setText(QStringLiteral("✎"));
    newPost->setToolTip(QStringLiteral("New Post"));
    newPost->setAccessibleName(QStringLiteral("New Post"));
    connect(newPost, &QToolButton::clicked, this, &MainWindow::newPostClicked);
    tools->addWidget(newPost);
    layout->addWidget(m_tools);
    return bar;
}

LinedTextView *MainWindow::composer() const
{
    return m_composerPane->textView();
}

void MainWindow::setComposerOpen(bool open)
{
    m_composerPane->setVisible(open);
    if (open) {
        m_split->setSizes({ composerHeight, qMax(0, m_split->height() - composerHeight) });
        composer()->setFocus();
    } else {
        m_split->setSizes({ 0, m_split->height() });
    }
}

bool MainWindow::isComposerOpen() const
{
    return m_composerPane->isVisibleTo(m_split);
}

QString MainWindow::composerText() const
{
    return composer()->text();
}

bool MainWindow::composerHasFocus() const
{
    return composer()->hasFocus();
}

void MainWindow::setPostButtonImage(const QString &name)
{
    m_composerPane->setPostButtonImage(name);
}

QString MainWindow::postButtonImage() const
{
    return m_composerPane->postButtonImage();
}

void MainWindow::setPostsController(PostsArrayController *posts)
{
    m_posts = posts;
    m_list->setPostsController(posts);
}

void MainWindow::setListOpacity(qreal opacity)
{
    stopListFade();
    m_list->setContentOpacity(opacity);
    m_refreshView->setVisible(true);
}

qreal MainWindow::listOpacity() const
{
    return m_list->contentOpacity();
}

void MainWindow::stopListFade()
{
    for (auto *running : m_list->findChildren<QPropertyAnimation *>(
             QStringLiteral("listFade"), Qt::FindDirectChildrenOnly))
        running->stop();
}

void MainWindow::animateListOpacity(qreal to)
{
    // A running fade gives way to the new one; the window keeps painting
    // and handling input while it runs.
    stopListFade();
    auto *animation = new QPropertyAnimation(m_list, "contentOpacity", m_list);
    animation->setObjectName(QStringLiteral("listFade"));
    animation->setDuration(fadeListMs);
    animation->setStartValue(m_list->contentOpacity());
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::fadeTableViewOut()
{
    resetVisibleRows();
    animateListOpacity(0.0);
}

void MainWindow::fadeTableViewIn()
{
    m_loadOlderIndicator->hide();
    animateListOpacity(1.0);
}

void MainWindow::resetVisibleRows()
{
    m_list->resetVisibleRows();
}

void MainWindow::reloadTableViewKeepingSelection()
{
    m_list->reloadTableView();
}

void MainWindow::rearrangePosts()
{
    if (m_posts)
        m_posts->rearrangeObjects();
}

void MainWindow::scrollListToTop()
{
    m_list->scrollToFirstRow();
}

void MainWindow::showNewPostsMarker(int count)
{
    m_newPosts->showCount(count);
}

void MainWindow::hideNewPostsMarker()
{
    m_newPosts->hide();
}

void MainWindow::scrollToSelection()
{
    const QModelIndex current
        = m_list->selectionModel() ? m_list->selectionModel()->currentIndex() : QModelIndex();
    if (current.isValid())
        m_list->scrollTo(current);
}

void MainWindow::showLoadOlderIndicator()
{
    m_loadOlderIndicator->show();
    opacityEffect(m_loadOlderIndicator)->setOpacity(0.0);
    animateOpacity(m_loadOlderIndicator, 1.0, fadeLoadOlderMs);
}

bool MainWindow::isLoadOlderIndicatorVisible() const
{
    return m_loadOlderIndicator->isVisibleTo(m_content);
}

void MainWindow::stopLoading()
{
    m_refreshView->stopLoading();
}

void MainWindow::startProgress()
{
    ++m_progressCount;
    m_progress->show();
}

void MainWindow::stopProgress()
{
    m_progressCount = qMax(0, m_progressCount - 1);
    if (m_progressCount == 0)
        m_progress->hide();
}

bool MainWindow::isProgressRunning() const
{
    return m_progressCount > 0;
}

void MainWindow::setBackBarVisible(bool visible)
{
    if (m_backBar->isVisibleTo(m_bar) != visible)
        m_backBar->setVisible(visible);
}

bool MainWindow::isBackBarVisible() const
{
    return m_backBar->isVisibleTo(m_bar);
}

void MainWindow::setBackBarLabel(const QString &text)
{
    m_backBarLabel->setText(text);
}

QString MainWindow::backBarLabel() const
{
    return m_backBarLabel->text();
}

void MainWindow::setMentionIndicatorVisible(bool visible)
{
    if (m_mentionIndicator->isVisibleTo(m_tools) != visible)
        m_mentionIndicator->setVisible(visible);
}

bool MainWindow::isMentionIndicatorVisible() const
{
    return m_mentionIndicator->isVisibleTo(m_tools);
}

void MainWindow::setMentionCount(const QString &counterText)
{
    m_mentionIndicator->setText(
        counterText.isEmpty() ? QString() : QStringLiteral("@ %1").arg(counterText));
    m_mentionIndicator->setAccessibleName(
        counterText.isEmpty() ? QString() : QStringLiteral("%1 new mentions").arg(counterText));
}

QString MainWindow::mentionCountText() const
{
    return m_mentionIndicator->text();
}

void MainWindow::setToolbarVisible(bool visible)
{
    m_bar->setVisible(visible);
}

void MainWindow::selectSideBarRow(int row)
{
    m_sideBar->selectButtonAtRow(row);
}

bool MainWindow::isSearchPanelVisible() const
{
    // The search sheet and the user panel are dialogs over this window.
    const QList<QDialog *> sheets = findChildren<QDialog *>(Qt::FindDirectChildrenOnly);
    return std::any_of(
        sheets.begin(), sheets.end(), [](const QDialog *sheet) { return sheet->isVisible(); });
}

void MainWindow::fadeIn()
{
    setWindowOpacity(0.0);
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    auto *animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setDuration(fadeWindowMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::fadeOutAndHide()
{
    auto *animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setDuration(fadeWindowMs);
    animation->setStartValue(windowOpacity());
    animation->setEndValue(0.0);
    connect(animation, &QPropertyAnimation::finished, this, [this] {
        hideApplication();
        setWindowOpacity(1.0);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::hideApplication()
{
    // Hidden, only the tray item brings the window back; without one it is
    // minimised, so the task bar still has it.
    if (m_hideToTray)
        hide();
    else
        showMinimized();
}

bool MainWindow::isHiddenFromUser() const
{
    return !isVisible() || isMinimized();
}

void MainWindow::setFullScreenKeepingWidth(bool fullScreen)
{
    if (fullScreen == isFullScreen())
        return;
    if (fullScreen) {
        const int keep = width();
        const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
        const int screenWidth = where ? where->geometry().width() : keep;
        // A narrower screen gives the smaller width; a wider one leaves the
        // list at its width, centred.
        const int side = qMax(0, (screenWidth - keep) / 2);
        setContentsMargins(side, 0, side, 0);
        // Without a window manager nobody answers the full-screen request:
        // the window covers the screen itself, and gets its place back.
        m_normalGeometry = geometry();
        if (where)
            setGeometry(where->geometry());
        showFullScreen();
    } else {
        setContentsMargins(0, 0, 0, 0);
        showNormal();
        if (m_normalGeometry.isValid())
            setGeometry(m_normalGeometry);
    }
    setToolbarVisible(!fullScreen);
    Q_EMIT fullScreenChanged(fullScreen);
}
