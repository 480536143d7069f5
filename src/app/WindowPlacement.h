#pragma once

#include <QRect>

class QWidget;

// Placing windows: centred on their screen, or over another window; and the
// main window's place and size, remembered for each screen.
namespace WindowPlacement {
void centreOnScreen(QWidget *widget);
void centreOver(QWidget *widget, const QWidget *over);

// Puts the window where it last was on the screen it last was on (or on the
// primary screen, where it was there), always inside that screen's
// available area, and from then on remembers every place and size it
// takes, as "WindowFrame/<screen>" in the preferences. A full-screen,
// maximised or minimised window is not remembered.
void keepPlaceAndSize(QWidget *window);

// `frame` moved, and shrunk where it is larger, so that it lies inside `area`.
QRect fitInside(QRect frame, const QRect &area);
} // namespace WindowPlacement
