#include "views/TimelineButtonArt.h"

#include <QPainter>
#include <QPainterPath>

namespace TimelineButtonArt {

namespace {

using Part = TimelineRowLayout::Part;

// The shapes are drawn on a 22 x 22 grid and scaled to the button.
constexpr qreal grid = 22;

void drawReply(QPainter &painter, const QPen &pen)
{
    QPainterPath arrow;
    arrow.moveTo(9.5, 5.5);
    arrow.lineTo(5, 10);
    arrow.lineTo(9.5, 14.5);
    arrow.moveTo(5.5, 10);
    arrow.lineTo(12.5, 10);
    arrow.cubicTo(15.5, 10, 17, 11.8, 17, 14.5);
    arrow.lineTo(17, 16.5);
    painter.strokePath(arrow, pen);
}

void drawQuote(QPainter &painter, const QColor &ink)
{
    // Two opening quotation marks: a dot with a tail curling up and right.
    for (qreal x : { 7.0, 14.0 }) {
        QPainterPath mark;
        mark.addEllipse(QPointF(x, 12.5), 2.6, 2.6);
        QPainterPath tail;
        tail.moveTo(x - 2.6, 12.5);
        tail.cubicTo(x - 2.8, 8.5, x - 0.5, 6.2, x + 2.2, 5.6);
        tail.lineTo(x + 2.4, 6.9);
        tail.cubicTo(x + 0.6, 7.6, x - 0.2, 9.0, x + 0.2, 10.2);
        tail.closeSubpath();
        painter.fillPath(mark.united(tail), ink);
    }
}

void drawConversation(QPainter &painter, const QPen &pen, const QColor &background)
{
    QPainterPath back;
    back.addRoundedRect(QRectF(3.5, 4.5, 11, 8), 3, 3);
    back.moveTo(6.5, 12.5);
    back.lineTo(5.5, 15.5);
    back.lineTo(9.5, 12.5);
    painter.strokePath(back.simplified(), pen);

    QPainterPath front;
    front.addRoundedRect(QRectF(8.5, 9.0, 11, 8), 3, 3);
    QPainterPath tail;
    tail.moveTo(14.5, 16.8);
    tail.lineTo(17.5, 19.5);
    tail.lineTo(17.0, 16.8);
    tail.closeSubpath();
    const QPainterPath bubble = front.united(tail);
    painter.fillPath(bubble, background);
    painter.strokePath(bubble, pen);
}

void drawAction(QPainter &painter, const QColor &ink)
{
    for (qreal x : { 6.0, 11.0, 16.0 }) {
        QPainterPath dot;
        dot.addEllipse(QPointF(x, 11), 1.7, 1.7);
        painter.fillPath(dot, ink);
    }
}

} // namespace

QColor inkColor(State state)
{
    switch (state) {
    case State::Pressed:
        return QColor(0x1f, 0x3b, 0x57);
    case State::Disabled:
        return QColor(0x5a, 0x5f, 0x66, 0x55);
    case State::Normal:
        break;
    }
    return QColor(0x5a, 0x5f, 0x66);
}

void draw(QPainter &painter, const QRectF &rect, Part part, State state)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (state == State::Pressed) {
        QPainterPath well;
        well.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter.fillPath(well, QColor(0, 0, 0, 0x22));
    }
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / grid, rect.height() / grid);

    const QColor ink = inkColor(state);
    QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (part) {
    case Part::Reply:
        drawReply(painter, pen);
        break;
    case Part::Quote:
        drawQuote(painter, ink);
        break;
    case Part::Conversation:
        drawConversation(painter, pen, QColor(0xf4, 0xf7, 0xfa));
        break;
    case Part::Action:
        drawAction(painter, ink);
        break;
    default:
        break;
    }
    painter.restore();
}

} // namespace TimelineButtonArt
