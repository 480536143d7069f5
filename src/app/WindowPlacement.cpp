#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
void moveCentreTo(QWidget *widget, QPoint centre)
{
    QRect frame = widget->frameGeometry();
    frame.moveCenter(centre);
    widget->move(frame.topLeft());
}
} // namespace

namespace WindowPlacement {

void centreOnScreen(QWidget *widget)
{
    if (!widget)
        return;
    const QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    if (screen)
        moveCentreTo(widget, screen->availableGeometry().center());
}

void centreOver(QWidget *widget, const QWidget *over)
{
    if (widget && over)
        moveCentreTo(widget, over->frameGeometry().center());
}

} // namespace WindowPlacement
