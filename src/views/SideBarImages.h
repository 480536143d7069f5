#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// The selection marker: a small notch pointing into the list, filled with the
// list's background colour so the selected button seems to open into it.
QPixmap sideBarSelectionImage(const QColor &listBackground, qreal devicePixelRatio = 1.0);
