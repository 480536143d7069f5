#pragma once

#include "views/TimelineRowLayout.h"

#include <QColor>
#include <QRectF>

class QPainter;

// The pictures of the selected row's buttons, drawn as vector shapes so they
// are sharp at any scale: a reply arrow, quotation marks, two speech bubbles
// and an ellipsis for the item menu.
namespace TimelineButtonArt {

enum class State { Normal, Pressed, Disabled };

QColor inkColor(State state);

// Draws `part` (Reply, Quote, Conversation or Action) into `rect`.
void draw(QPainter &painter, const QRectF &rect, TimelineRowLayout::Part part, State state);

} // namespace TimelineButtonArt
