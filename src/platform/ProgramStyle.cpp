#include "platform/ProgramStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>

namespace {

// Two chevrons pointing on, in the text colour of the palette the button is
// drawn with, so that they read on a dark palette as on a light one.
class ChevronsEngine : public QIconEngine {
public:
    explicit ChevronsEngine(Qt::Orientation pointing)
        : m_pointing(pointing)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette::ColorGroup group
            = mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
        const qreal side = qMin(rect.width(), rect.height());
        QPainterPath path;
        for (const qreal x : { 0.25, 0.5 }) {
            path.moveTo(x * side, 0.25 * side);
            path.lineTo((x + 0.2) * side, 0.5 * side);
            path.lineTo(x * side, 0.75 * side);
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.center() - QPointF(side, side) / 2);
        if (m_pointing == Qt::Vertical) {
            // Pointing down: the horizontal chevrons turned a quarter.
            painter->translate(side, 0);
            painter->rotate(90);
        }
        painter->setPen(QPen(QApplication::palette().color(group, QPalette::WindowText),
            qMax(1.0, side / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPath(path);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new ChevronsEngine(m_pointing); }

private:
    Qt::Orientation m_pointing;
};

} // namespace

void ProgramStyle::install()
{
    QApplication::setStyle(new ProgramStyle(QStyleFactory::create(QApplication::style()->name())));
}

QIcon ProgramStyle::standardIcon(
    StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    switch (which) {
    case SP_ToolBarHorizontalExtensionButton:
        return QIcon(new ChevronsEngine(Qt::Horizontal));
    case SP_ToolBarVerticalExtensionButton:
        return QIcon(new ChevronsEngine(Qt::Vertical));
    default:
        return QProxyStyle::standardIcon(which, option, widget);
    }
}
