#include "views/SideBarImages.h"

#include <QPainter>
#include <QPainterPath>

QPixmap sideBarSelectionImage(const QColor &listBackground, qreal devicePixelRatio)
{
    const QSizeF size(8, 16);
    QPixmap pixmap((size * devicePixelRatio).toSize());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath notch;
    notch.moveTo(size.width(), 0);
    notch.lineTo(0, size.height() / 2);
    notch.lineTo(size.width(), size.height());
    notch.closeSubpath();
    painter.fillPath(notch, listBackground);
    return pixmap;
}
