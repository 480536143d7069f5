#include "app/ComposerPane.h"

#include "text/ComposerRules.h"
#include "text/LinedTextView.h"
#include "text/ReadableColors.h"
#include "views/ProgramImages.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

ComposerPane::ComposerPane(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_text = new LinedTextView(this);
    m_text->setObjectName(QStringLiteral("postTextView"));
    m_text->setAccessibleName(QStringLiteral("Post text"));
    m_text->setPlaceholderText(QStringLiteral("What's on your mind?"));
    // The text sits 11 points from the sides and 7 from the top and bottom.
    m_text->document()->setDocumentMargin(7);
    m_text->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_text, 1);

    // The thumbnails of the images uploaded into the text, one under another.
    m_pictures = new QVBoxLayout;
    m_pictures->setSpacing(4);
    m_pictures->addStretch(1);
    layout->addLayout(m_pictures);
    connect(m_text, &QPlainTextEdit::textChanged, this, &ComposerPane::dropPicturesNotInText);

    auto *side = new QVBoxLayout;
    m_counter = new QLabel(this);
    m_counter->setObjectName(QStringLiteral("postCountLabel"));
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignTop);
    side->addWidget(m_counter);
    side->addStretch(1);
    m_postButton = new QToolButton(this);
    m_postButton->setObjectName(QStringLiteral("postButton"));
    m_postButton->setAccessibleName(QStringLiteral("Send"));
    m_postButton->setIconSize(QSize(24, 24));
    m_postButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    connect(m_postButton, &QToolButton::clicked, this, &ComposerPane::postClicked);
    side->addWidget(m_postButton);
    layout->addLayout(side);

    setPostButtonImage(ComposerRules::buttonImageFor(ComposerRules::NewPost));
    showCounter(ComposerRules::counterFor(0));
    setPostingAllowed(false);
}

void ComposerPane::setPostButtonImage(const QString &name)
{
    m_postButtonImage = name;
    m_postButton->setIcon(programImage(name));
    if (name == QLatin1String("replyTemplate")) {
        m_postButton->setText(QStringLiteral("Reply"));
        m_postButton->setToolTip(QStringLiteral("Send the reply (Ctrl+Return)"));
    } else if (name == QLatin1String("quoteTemplate")) {
        m_postButton->setText(QStringLiteral("Quote"));
        m_postButton->setToolTip(QStringLiteral("Send the quote (Ctrl+Return)"));
    } else {
        m_postButton->setText(QStringLiteral("Post"));
        m_postButton->setToolTip(QStringLiteral("Send the post (Ctrl+Return)"));
    }
}

void ComposerPane::showCounter(const ComposerRules::Counter &counter)
{
    m_counter->setVisible(counter.visible);
    m_counter->setText(counter.text());
    m_counterColour = counter.color;
    colourCounter();
}

void ComposerPane::colourCounter()
{
    // On a dark pane the counter keeps its colour's hue, made readable; a
    // light one shows the counter's own colours. The pane's palette is the
    // one already changed when the desktop's changes.
    const QColor pane = palette().color(QPalette::Window);
    QPalette colours = m_counter->palette();
    colours.setColor(QPalette::WindowText,
        ReadableColors::isDark(pane) ? ReadableColors::readableOn(m_counterColour, pane)
                                     : m_counterColour);
    m_counter->setPalette(colours);
}

void ComposerPane::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_counterColour.isValid())
        colourCounter();
    QWidget::changeEvent(event);
}

void ComposerPane::addPicture(const QString &link, const QImage &thumbnail)
{
    if (link.isEmpty() || thumbnail.isNull() || !m_text->toPlainText().contains(link))
        return;
    auto *label = new QLabel(this);
    QPixmap pixmap = QPixmap::fromImage(thumbnail);
    // Drawn 48 points square, sharp at twice the density.
    pixmap.setDevicePixelRatio(qMax(1.0, thumbnail.width() / 48.0));
    label->setPixmap(pixmap);
    label->setToolTip(link);
    label->setAccessibleName(QStringLiteral("picture"));
    m_pictures->insertWidget(m_pictures->count() - 1, label);
    label->show();
    m_pictureLabels.append({ link, label });
}

QStringList ComposerPane::pictureLinks() const
{
    QStringList links;
    for (const auto &[link, label] : m_pictureLabels)
        links.append(link);
    return links;
}

void ComposerPane::dropPicturesNotInText()
{
    if (m_pictureLabels.isEmpty())
        return;
    const QString text = m_text->toPlainText();
    for (qsizetype i = m_pictureLabels.size() - 1; i >= 0; --i) {
        if (text.contains(m_pictureLabels.at(i).first))
            continue;
        delete m_pictureLabels.at(i).second;
        m_pictureLabels.removeAt(i);
    }
}

void ComposerPane::setPostingAllowed(bool allowed)
{
    m_postButton->setEnabled(allowed);
}
