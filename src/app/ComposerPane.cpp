#include "app/ComposerPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int maximumPostLength = 256;
}

ComposerPane::ComposerPane(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_text = new QPlainTextEdit(this);
    m_text->setPlaceholderText(QStringLiteral("What's on your mind?"));
    // The text sits 11 points from the sides and 7 from the top and bottom.
    m_text->document()->setDocumentMargin(7);
    m_text->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_text, 1);

    auto *side = new QVBoxLayout;
    m_counter = new QLabel(this);
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignTop);
    side->addWidget(m_counter);
    side->addStretch(1);
    m_postButton = new QToolButton(this);
    m_postButton->setText(QStringLiteral("Post"));
    m_postButton->setToolTip(QStringLiteral("Send the post"));
    side->addWidget(m_postButton);
    layout->addLayout(side);

    connect(m_text, &QPlainTextEdit::textChanged, this, &ComposerPane::updateCounter);
    updateCounter();
}

void ComposerPane::setPostButtonImage(const QString &name)
{
    m_postButtonImage = name;
}

void ComposerPane::updateCounter()
{
    // Lengths count UTF-16 code units, as the service does.
    const qsizetype remaining = maximumPostLength - m_text->toPlainText().size();
    m_counter->setText(QString::number(remaining));
}
