#pragma once

#include <QColor>
#include <QPalette>

// The side bar's colours. Under a light palette the bar keeps its own dark
// look; under a dark one it is drawn from the palette's window colours.
// Either way every title reads at 4.5:1 on the fill behind it.
struct SideBarColours {
    QColor background;
    QColor fill;
    QColor selectedFill;
    QColor title;
    QColor selectedTitle;

    static SideBarColours forPalette(const QPalette &palette);
};
