#include "views/HotKeyBox.h"

#include "views/SRRecorderControl.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *keysLabel(const QString &accessibleName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAccessibleName(accessibleName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QWidget *row(SRRecorderControl *recorder, QLabel *keys, QWidget *parent)
{
    auto *widget = new QWidget(parent);
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    recorder->setParent(widget);
    layout->addWidget(recorder);
    keys->setParent(widget);
    layout->addWidget(keys);
    return widget;
}

} // namespace

HotKeyBox::HotKeyBox(SRRecorderControl *showHide, SRRecorderControl *newPost, QWidget *parent)
    : QGroupBox(QStringLiteral("Global hot keys"), parent)
    , m_showHide(showHide)
    , m_newPost(newPost)
    , m_showHideKeys(keysLabel(QStringLiteral("Show or hide Velto"), this))
    , m_newPostKeys(keysLabel(QStringLiteral("New post"), this))
    , m_note(new QLabel(this))
    , m_configure(new QPushButton(QStringLiteral("Change in the Desktop's Settings…"), this))
{
    showHide->setAccessibleName(QStringLiteral("Show or hide Velto"));
    newPost->setAccessibleName(QStringLiteral("New post"));
    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Show or hide Velto:"), row(showHide, m_showHideKeys, this));
    layout->addRow(QStringLiteral("New post:"), row(newPost, m_newPostKeys, this));
    m_note->setWordWrap(true);
    m_note->setForegroundRole(QPalette::PlaceholderText);
    layout->addRow(m_note);
    layout->addRow(m_configure);
    connect(m_configure, &QPushButton::clicked, this, &HotKeyBox::configureRequested);
    showRecorders();
}

void HotKeyBox::setRecordersShown(bool shown, bool enabled)
{
    for (SRRecorderControl *recorder : { m_showHide, m_newPost }) {
        recorder->setVisible(shown);
        recorder->setEnabled(enabled);
    }
    m_showHideKeys->setVisible(!shown);
    m_newPostKeys->setVisible(!shown);
}

void HotKeyBox::showRecorders()
{
    setRecordersShown(true, true);
    m_note->hide();
    m_configure->hide();
}

void HotKeyBox::showUnavailable(const QString &why)
{
    setRecordersShown(true, false);
    m_note->setText(why);
    m_note->show();
    m_configure->hide();
}

void HotKeyBox::showDesktopKeys(const QString &showHide, const QString &newPost, bool canConfigure)
{
    setRecordersShown(false, false);
    const QString notSet = QStringLiteral("Not set");
    m_showHideKeys->setText(showHide.isEmpty() ? notSet : showHide);
    m_newPostKeys->setText(newPost.isEmpty() ? notSet : newPost);
    m_note->setText(canConfigure
            ? QStringLiteral("The desktop decides which keys these are.")
            : QStringLiteral("The desktop decides which keys these are; change them in its "
                             "keyboard settings."));
    m_note->show();
    m_configure->setVisible(canConfigure);
}
