#include "views/SideBarButton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {
constexpr int kImageSide = 24;
constexpr int kTitleBottomMargin = 3;
} // namespace

SideBarButton::SideBarButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFont(titleFont());
    setFocusPolicy(Qt::NoFocus);
}

void SideBarButton::setImage(const QIcon &image)
{
    m_image = image;
    update();
}

void SideBarButton::setAlternateImage(const QIcon &image)
{
    m_alternateImage = image;
    update();
}

QFont SideBarButton::titleFont()
{
    QFont font = QApplication::font();
    font.setFamilies({ QStringLiteral("Lucida Grande"), font.family() });
    font.setPixelSize(11);
    return font;
}

QColor SideBarButton::fillColor() const
{
    const qreal white = isChecked() ? 0.21 : 0.25;
    return QColor::fromRgbF(white, white, white);
}

QColor SideBarButton::titleColor() const
{
    return isChecked() ? QColor(Qt::white) : QColor::fromRgbF(0.5, 0.5, 0.5);
}

QIcon SideBarButton::shownImage() const
{
    if (isChecked() || m_alternateImage.isNull())
        return m_image;
    return m_alternateImage;
}

QRect SideBarButton::titleRect() const
{
    const int lineHeight = QFontMetrics(font()).height();
    return QRect(0, height() - lineHeight - kTitleBottomMargin, width(), lineHeight);
}

QRect SideBarButton::imageRect() const
{
    // The image frame sits 5 points lower and 13 points shorter than the
    // button, which leaves room for the title under it.
    const QRect frame = rect().adjusted(0, 5, 0, -8);
    const int room = qMax(0, qMin(frame.bottom() + 1, titleRect().top()) - frame.top());
    const int side = qMin(kImageSide, qMin(room, frame.width()));
    return QRect(
        frame.left() + (frame.width() - side) / 2, frame.top() + (room - side) / 2, side, side);
}

QSize SideBarButton::sizeHint() const
{
    return QSize(64, 48);
}

void SideBarButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), fillColor());

    const QIcon icon = shownImage();
    if (!icon.isNull())
        icon.paint(
            &painter, imageRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(isEnabled() ? titleColor() : titleColor().darker(150));
        const QString title = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, width() - 2);
        painter.drawText(titleRect(), Qt::AlignHCenter | Qt::AlignVCenter, title);
    }
}
