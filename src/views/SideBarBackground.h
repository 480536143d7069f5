#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;

// A tile of grey noise, the same on every run, that gives the dark side bar a
// faint grain when laid over its fill at low opacity.
const QImage &sideBarNoiseTile();

// Fills `rect` with `colour`, then tiles the noise over it at 4.5 % opacity.
void paintSideBarBackground(QPainter &painter, const QRect &rect, const QColor &colour);
