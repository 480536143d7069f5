#pragma once

#include <QIcon>
#include <QString>

// The program's artwork by name, as PNGs drawn at build time from the SVGs in
// resources/images (velto-render-images): the program itself loads no SVG
// support. A name without artwork gives a null icon and one log line.

// An image drawn at one size, in the side bar, the composer or the About
// window ("streamOn", "postTemplate", "velto", ...): its pixels at 1x, and at
// the density of the densest screen when that is higher.
QIcon programImage(const QString &name);

// An image the desktop draws at sizes of its own, the tray item or the
// window's icon ("status_off", "velto"): each size made of it, from the
// smallest up to the first of at least `upTo` pixels at the densest screen's
// density.
QIcon programImageSizes(const QString &name, int upTo);
