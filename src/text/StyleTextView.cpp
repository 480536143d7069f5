#include "text/StyleTextView.h"

#include "text/LinkOpener.h"
#include "text/MouseForwarding.h"
#include "text/TextClick.h"
#include "text/TextDocumentStyling.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScrollBar>
#include <QWheelEvent>

StyleTextView::StyleTextView(QWidget *parent)
    : QTextEdit(parent)
    , m_links(new LinkOpener(this))
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
}

StyleTextView::~StyleTextView() = default;

void StyleTextView::setStyledText(const StyledText &text)
{
    TextDocumentStyling::setStyledText(document(), text);
}

void StyleTextView::setNetworkAccessManager(QNetworkAccessManager *manager)
{
    m_links->setNetworkAccessManager(manager);
}

LinkProbe *StyleTextView::linkProbe() const
{
    return m_links->linkProbe();
}

ImagePreviewPanel *StyleTextView::panel() const
{
    return m_links->panel();
}

DragImageView *StyleTextView::imageView() const
{
    return m_links->imageView();
}

QPointF StyleTextView::viewportToDocument(QPoint viewportPoint) const
{
    return QPointF(viewportPoint)
        + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

int StyleTextView::characterIndexAt(QPoint viewportPoint) const
{
    return TextDocumentStyling::characterIndexAt(document(), viewportToDocument(viewportPoint));
}

void StyleTextView::mousePressEvent(QMouseEvent *event)
{
    QPointer<StyleTextView> self(this);
    const QPointF inView = viewport()->mapTo(this, event->position());
    const int index = characterIndexAt(event->position().toPoint());
    const TextAttributes attributes = TextDocumentStyling::attributesAt(document(), index);
    bool forwarded = false;
    if (event->button() == Qt::LeftButton && attributes.isEntity()) {
        const ClickActions actions = TextClick::actionsFor(attributes);
        if (actions.link && actions.link->isValid())
            m_links->open(*actions.link);
        if (actions.hashtag)
            TextClick::loadHashtag(*actions.hashtag);
        if (actions.user) {
            MouseForwarding::forwardPress(this, inView, event);
            forwarded = true;
            if (!self)
                return;
            TextClick::loadUser(*actions.user);
        }
        event->accept();
    } else {
        // An unmarked character: the click selects text as usual.
        QTextEdit::mousePressEvent(event);
        m_selecting = true;
    }
    if (!self)
        return;
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (!forwarded)
        MouseForwarding::forwardPress(this, inView, event);
    m_pressForwarded = true;
}

void StyleTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_selecting) {
        m_selecting = false;
        QTextEdit::mouseReleaseEvent(event);
    }
    if (m_pressForwarded) {
        m_pressForwarded = false;
        MouseForwarding::forwardRelease(this, viewport()->mapTo(this, event->position()), event);
    }
    event->accept();
}

void StyleTextView::mouseMoveEvent(QMouseEvent *event)
{
    const int index = characterIndexAt(event->position().toPoint());
    const bool overMark = TextDocumentStyling::attributesAt(document(), index).pointingHand;
    viewport()->setCursor(overMark ? Qt::PointingHandCursor : Qt::IBeamCursor);
    if (m_selecting)
        QTextEdit::mouseMoveEvent(event);
}

void StyleTextView::wheelEvent(QWheelEvent *event)
{
    MouseForwarding::forwardWheel(this, viewport()->mapTo(this, event->position()), event);
    event->accept();
}

void StyleTextView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_menu) {
        QTextEdit::contextMenuEvent(event);
        return;
    }
    m_menu->popup(event->globalPos());
    event->accept();
}

void StyleTextView::generateImageViewWithURL(const QUrl &url)
{
    m_links->generateImageViewWithURL(url);
}
