#include "views/SideBarColours.h"

#include "text/ReadableColors.h"

namespace {

QColor grey(qreal white, qreal alpha = 1.0)
{
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}

} // namespace

SideBarColours SideBarColours::forPalette(const QPalette &palette)
{
    SideBarColours colours;
    const QColor window = palette.color(QPalette::Window);
    if (ReadableColors::isDark(window)) {
        // A shade darker than the window, as a side bar beside it is; the
        // selected button darker again, so it still stands out.
        colours.background = window.darker(125);
        colours.fill = window.darker(115);
        colours.selectedFill = window.darker(150);
        colours.selectedTitle = palette.color(QPalette::WindowText);
        colours.title = ReadableColors::blend(colours.selectedTitle, colours.fill, 0.35);
    } else {
        colours.background = grey(0.235, 0.9);
        colours.fill = grey(0.25);
        colours.selectedFill = grey(0.21);
        colours.selectedTitle = QColor(Qt::white);
        colours.title = grey(0.5);
    }
    colours.title = ReadableColors::readableOn(colours.title, colours.fill);
    colours.selectedTitle = ReadableColors::readableOn(colours.selectedTitle, colours.selectedFill);
    return colours;
}
