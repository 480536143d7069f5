#include "views/SideBarImages.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>

namespace {
Q_LOGGING_CATEGORY(lcSideBarImages, "velto.sidebar")
}

// The resources live in the static core library; referencing their
// initialiser keeps the linker from dropping them from programs that use them.
static void ensureSideBarResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(loaded);
}

QIcon sideBarImage(const QString &name)
{
    ensureSideBarResources();
    const QString path = QStringLiteral(":/images/") + name + QStringLiteral(".svg");
    if (name.isEmpty() || !QFile::exists(path)) {
        qCWarning(lcSideBarImages) << "No side bar image named" << name;
        return {};
    }
    return QIcon(path);
}

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
