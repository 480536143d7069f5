#include "views/NoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

NoticeBar::NoticeBar(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("noticeBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 4, 4);
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    // Paths in a notice are for copying.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setForegroundRole(QPalette::ToolTipText);
    auto *lines = new QVBoxLayout;
    lines->setContentsMargins(0, 0, 0, 0);
    lines->addWidget(m_text);
    // The status line is a widget of its own, hidden with its status: an
    // empty nested layout would cap the notices' width at their narrowest.
    m_statusLine = new QWidget(this);
    auto *statusLine = new QHBoxLayout(m_statusLine);
    statusLine->setContentsMargins(0, 0, 0, 0);
    m_status = new QLabel(m_statusLine);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setForegroundRole(QPalette::ToolTipText);
    statusLine->addWidget(m_status, 1);
    m_statusAction = new QToolButton(m_statusLine);
    statusLine->addWidget(m_statusAction, 0, Qt::AlignVCenter);
    connect(m_statusAction, &QToolButton::clicked, this, &NoticeBar::statusActionClicked);
    lines->addWidget(m_statusLine);
    row->addLayout(lines, 1);
    m_text->hide();
    m_statusLine->hide();
    m_status->hide();
    m_statusAction->hide();
    m_close = new QToolButton(this);
    m_close->setText(QStringLiteral("✕"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("Close"));
    m_close->setAccessibleName(QStringLiteral("Close notice"));
    row->addWidget(m_close, 0, Qt::AlignTop);
    connect(m_close, &QToolButton::clicked, this, [this] {
        m_text->clear();
        clearStatus();
        showOrHide();
    });
    hide();
}

void NoticeBar::addNotice(const QString &text)
{
    m_text->setText(m_text->text().isEmpty() ? text : m_text->text() + QLatin1Char('\n') + text);
    showOrHide();
}

void NoticeBar::setStatus(const QString &text, const QString &actionText)
{
    m_status->setText(text);
    m_statusAction->setText(actionText);
    m_statusAction->setAccessibleName(actionText);
    showOrHide();
}

void NoticeBar::clearStatus()
{
    m_status->clear();
    showOrHide();
}

QString NoticeBar::statusText() const
{
    return m_status->text();
}

void NoticeBar::showOrHide()
{
    const bool notices = !m_text->text().isEmpty();
    const bool status = !m_status->text().isEmpty();
    m_text->setVisible(notices);
    m_statusLine->setVisible(status);
    m_status->setVisible(status);
    m_statusAction->setVisible(status && !m_statusAction->text().isEmpty());
    setAccessibleDescription(
        QStringList { m_text->text(), m_status->text() }.join(u'\n').trimmed());
    setVisible(notices || status);
}

QString NoticeBar::text() const
{
    return m_text->text();
}
