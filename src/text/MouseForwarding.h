#pragma once

#include <QPointF>

class QMouseEvent;
class QWheelEvent;
class QWidget;

// Hands a click on a text view to the widget around it as a left-button press
// (and later its release), so the list row under a post text is selected by a
// click on the text, whichever button it was.
namespace MouseForwarding {

// `position` is the event's position in `from`'s coordinates.
void forwardPress(QWidget *from, QPointF position, const QMouseEvent *event);
void forwardRelease(QWidget *from, QPointF position, const QMouseEvent *event);
// Offers the wheel event to the widgets around `from`, innermost first, until
// one takes it: the list scrolls, not the text.
void forwardWheel(QWidget *from, QPointF position, const QWheelEvent *event);

} // namespace MouseForwarding
