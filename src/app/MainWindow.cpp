#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include "service/PostsArrayController.h"
#include <QPropertyAnimation>
#include <QSplitter>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Velto"));
    resize(420, 640);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_backBar = new QWidget(this);
    auto *backLayout = new QHBoxLayout(m_backBar);
    m_backBarLabel = new QLabel(m_backBar);
    backLayout->addWidget(m_backBarLabel);
    m_backBar->hide();
    layout->addWidget(m_backBar);

    m_mentionIndicator = new QLabel(QStringLiteral("•"), this);
    m_mentionIndicator->hide();

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setMaximumHeight(4);
    m_progress->setTextVisible(false);
    m_progress->hide();
    layout->addWidget(m_progress);

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setChildrenCollapsible(true);
    m_split->setHandleWidth(0);
    m_composerPane = new QWidget(m_split);
    auto *composerLayout = new QVBoxLayout(m_composerPane);
    m_composer = new QPlainTextEdit(m_composerPane);
    composerLayout->addWidget(m_composer);
    m_list = new QListView(m_split);
    m_split->addWidget(m_composerPane);
    m_split->addWidget(m_list);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    layout->addWidget(m_split, 1);

    m_loadOlderIndicator = new QLabel(QStringLiteral("Loading older posts…"), this);
    m_loadOlderIndicator->hide();
    layout->addWidget(m_loadOlderIndicator);
}

void MainWindow::setPostsController(PostsArrayController *posts)
{
    m_posts = posts;
    m_list->setModel(posts->arranged());
    m_list->setSelectionModel(posts->selectionModel());
    m_list->setWordWrap(true);
    m_list->setUniformItemSizes(false);
}

namespace {
void animateOpacity(QWidget *widget, qreal to, int ms)
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    auto *animation = new QPropertyAnimation(effect, "opacity", widget);
    animation->setDuration(ms);
    animation->setStartValue(effect->opacity());
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
} // namespace

void MainWindow::fadeTableViewOut()
{
    resetVisibleRows();
    animateOpacity(m_list, 0.0, 100);
}

void MainWindow::fadeTableViewIn()
{
    m_loadOlderIndicator->hide();
    animateOpacity(m_list, 1.0, 100);
}

qreal MainWindow::listOpacity() const
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(m_list->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

void MainWindow::resetVisibleRows()
{
    m_list->viewport()->update();
}

void MainWindow::scrollListToTop()
{
    m_list->scrollToTop();
}

void MainWindow::scrollToSelection()
{
    const QModelIndex current = m_list->selectionModel() ? m_list->selectionModel()->currentIndex() : QModelIndex();
    if (current.isValid())
        m_list->scrollTo(current);
}

void MainWindow::showLoadOlderIndicator()
{
    m_loadOlderIndicator->show();
}

void MainWindow::stopLoading()
{
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

void MainWindow::selectSideBarRow(int row)
{
    Q_UNUSED(row);
}

void MainWindow::setMentionCount(int count)
{
    Q_UNUSED(count);
}

bool MainWindow::isSearchPanelVisible() const
{
    return false;
}

void MainWindow::closeUserPanel()
{
}

bool MainWindow::composerHasFocus() const
{
    return m_composer->hasFocus();
}

void MainWindow::resetComposer()
{
    m_composer->clear();
    m_postButtonImage = QStringLiteral("postTemplate");
}

void MainWindow::setComposerOpen(bool open)
{
    m_composerPane->setVisible(open);
    if (open) {
        const int total = m_split->height();
        m_split->setSizes({composerHeight, qMax(0, total - composerHeight)});
        m_composer->setFocus();
    } else {
        m_split->setSizes({0, m_split->height()});
    }
}

bool MainWindow::isComposerOpen() const
{
    return m_composerPane->isVisibleTo(const_cast<MainWindow *>(this));
}

QString MainWindow::composerText() const
{
    return m_composer->toPlainText();
}

void MainWindow::setPostButtonImage(const QString &name)
{
    m_postButtonImage = name;
}

void MainWindow::setListOpacity(qreal opacity)
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(m_list->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(m_list);
        m_list->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
    m_list->setVisible(true);
}

void MainWindow::setBackBarVisible(bool visible)
{
    if (m_backBar->isVisibleTo(this) != visible)
        m_backBar->setVisible(visible);
}

bool MainWindow::isBackBarVisible() const
{
    return m_backBar->isVisibleTo(const_cast<MainWindow *>(this));
}

void MainWindow::setBackBarLabel(const QString &text)
{
    m_backBarLabel->setText(text);
}

void MainWindow::setMentionIndicatorVisible(bool visible)
{
    if (m_mentionIndicator->isVisibleTo(this) != visible)
        m_mentionIndicator->setVisible(visible);
}

bool MainWindow::isMentionIndicatorVisible() const
{
    return m_mentionIndicator->isVisibleTo(const_cast<MainWindow *>(this));
}

void MainWindow::fadeIn()
{
    setWindowOpacity(0.0);
    show();
    raise();
    activateWindow();
    auto *animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setDuration(250);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::rearrangePosts()
{
}

void MainWindow::reloadTableViewKeepingSelection()
{
    m_list->doItemsLayout();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    Q_EMIT closing();
    QWidget::closeEvent(event);
}
