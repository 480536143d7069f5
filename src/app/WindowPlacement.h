#pragma once

class QWidget;

// Placing windows: centred on their screen, or over another window.
namespace WindowPlacement {
void centreOnScreen(QWidget *widget);
void centreOver(QWidget *widget, const QWidget *over);
} // namespace WindowPlacement
