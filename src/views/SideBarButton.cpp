#include "views/SideBarButton.h"

#include "views/SideBarColours.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr int kImageSide = 24;
constexpr int kTitleBottomMargin = 3;

bool isArrowKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

// The toolkit moves the focus between the buttons with an arrow key as it
// does with Tab.
bool movingByArrow = false;

} // namespace

SideBarButton::SideBarButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFont(titleFont());
    // Reached with Tab and pressed with Space; a click leaves the focus where it is.
    setFocusPolicy(Qt::TabFocus);
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
    const SideBarColours colours = SideBarColours::forPalette(palette());
    return isChecked() ? colours.selectedFill : colours.fill;
}

QColor SideBarButton::titleColor() const
{
    const SideBarColours colours = SideBarColours::forPalette(palette());
    return isChecked() ? colours.selectedTitle : colours.title;
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

bool SideBarButton::event(QEvent *event)
{
    // A stream button in focus keeps the arrow keys for moving between the
    // streams; elsewhere they move the list's selection.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && isArrowKey(key->key())) {
            event->accept();
            return true;
        }
    }
    return QAbstractButton::event(event);
}

void SideBarButton::keyPressEvent(QKeyEvent *event)
{
    movingByArrow = isArrowKey(event->key());
    QAbstractButton::keyPressEvent(event);
    movingByArrow = false;
}

void SideBarButton::focusInEvent(QFocusEvent *event)
{
    // Tab comes into the bar on the stream shown, as into radio buttons;
    // the arrow keys move to the others.
    const bool tabbed = !movingByArrow
        && (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason);
    QAbstractButton *shown = group() ? group()->checkedButton() : nullptr;
    if (tabbed && shown && shown != this && shown->isVisibleTo(window())) {
        shown->setFocus(event->reason());
        return;
    }
    QAbstractButton::focusInEvent(event);
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
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}
