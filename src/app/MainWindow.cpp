#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
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
