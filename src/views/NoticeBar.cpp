#include "views/NoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

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
    row->addWidget(m_text, 1);
    m_close = new QToolButton(this);
    m_close->setText(QStringLiteral("✕"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("Close"));
    m_close->setAccessibleName(QStringLiteral("Close notice"));
    row->addWidget(m_close, 0, Qt::AlignTop);
    connect(m_close, &QToolButton::clicked, this, [this] {
        m_text->clear();
        hide();
    });
    hide();
}

void NoticeBar::addNotice(const QString &text)
{
    m_text->setText(m_text->text().isEmpty() ? text : m_text->text() + QLatin1Char('\n') + text);
    setAccessibleDescription(m_text->text());
    show();
}

QString NoticeBar::text() const
{
    return m_text->text();
}
