#include "text/MouseForwarding.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace MouseForwarding {

namespace {

void forward(QWidget *from, QPointF position, const QMouseEvent *event, QEvent::Type type)
{
    if (!from || !event)
        return;
    QWidget *parent = from->parentWidget();
    if (!parent)
        return;
    const QPointF local = from->mapTo(parent, position);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress
        ? Qt::MouseButtons(Qt::LeftButton)
        : Qt::MouseButtons(Qt::NoButton);
    QMouseEvent copy(type, local, event->scenePosition(), event->globalPosition(), Qt::LeftButton,
        buttons, event->modifiers());
    QCoreApplication::sendEvent(parent, &copy);
}

} // namespace

void forwardPress(QWidget *from, QPointF position, const QMouseEvent *event)
{
    forward(from, position, event, QEvent::MouseButtonPress);
}

void forwardRelease(QWidget *from, QPointF position, const QMouseEvent *event)
{
    forward(from, position, event, QEvent::MouseButtonRelease);
}

void forwardWheel(QWidget *from, QPointF position, const QWheelEvent *event)
{
    if (!from || !event)
        return;
    QPointF local = position;
    for (QWidget *child = from, *parent = from->parentWidget(); parent && !child->isWindow();
         child = parent, parent = parent->parentWidget()) {
        local = child->mapTo(parent, local);
        QWheelEvent copy(local, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
            event->buttons(), event->modifiers(), event->phase(), event->inverted(),
            event->source());
        QCoreApplication::sendEvent(parent, &copy);
        if (copy.isAccepted())
            return;
    }
}

} // namespace MouseForwarding
