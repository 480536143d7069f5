#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The side bar's artwork by name ("streamOn", "streamOff", "postsOn", ...),
// as programImage() gives it. A name without artwork gives a null icon and
// one log line.
QIcon sideBarImage(const QString &name);

// The selection marker: a small notch pointing into the list, filled with the
// list's background colour so the selected button seems to open into it.
QPixmap sideBarSelectionImage(const QColor &listBackground, qreal devicePixelRatio = 1.0);
