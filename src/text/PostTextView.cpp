#include "text/PostTextView.h"

#include "text/MouseForwarding.h"
#include "text/TextClick.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

PostTextView::PostTextView(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

PostTextView::~PostTextView() = default;

void PostTextView::setStyledText(const StyledText &text)
{
    m_text = text;
    m_layoutValid = false;
    updateGeometry();
    update();
}

const StyledTextLayout &PostTextView::layout() const
{
    if (!m_layoutValid || m_layout.width() != width()) {
        m_layout = StyledTextLayout(m_text, width());
        m_layoutValid = true;
    }
    return m_layout;
}

int PostTextView::characterIndexAt(QPointF point) const
{
    return layout().characterIndexAt(point);
}

int PostTextView::heightForWidth(int width) const
{
    return int(std::ceil(::heightForWidth(m_text, width)));
}

QSize PostTextView::sizeHint() const
{
    const int w = width() > 0 ? width() : 300;
    return QSize(w, heightForWidth(w));
}

QSize PostTextView::minimumSizeHint() const
{
    return QSize(int(2 * StyledTextLayout::lineFragmentPadding), 0);
}

void PostTextView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    layout().draw(&painter, QPointF(0, 0));
}

void PostTextView::mousePressEvent(QMouseEvent *event)
{
    QPointer<PostTextView> self(this);
    MouseForwarding::forwardPress(this, event->position(), event);
    m_pressForwarded = true;
    event->accept();
    if (!self || event->button() != Qt::LeftButton)
        return;
    const int index = characterIndexAt(event->position());
    TextClick::performPostTextClick(TextClick::actionsAt(m_text, index));
}

void PostTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressForwarded) {
        m_pressForwarded = false;
        MouseForwarding::forwardRelease(this, event->position(), event);
    }
    event->accept();
}

void PostTextView::mouseMoveEvent(QMouseEvent *event)
{
    updateCursor(event->position());
    QWidget::mouseMoveEvent(event);
}

void PostTextView::leaveEvent(QEvent *event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void PostTextView::updateCursor(QPointF point)
{
    if (layout().attributesAt(point).pointingHand)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void PostTextView::wheelEvent(QWheelEvent *event)
{
    MouseForwarding::forwardWheel(this, event->position(), event);
    event->accept();
}

void PostTextView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_menu) {
        event->ignore();
        return;
    }
    m_menu->popup(event->globalPos());
    event->accept();
}
