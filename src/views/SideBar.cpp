#include "views/SideBar.h"

#include "views/SideBarBackground.h"
#include "views/SideBarColours.h"
#include "views/SideBarDelegate.h"

#include <QButtonGroup>
#include <QPainter>
#include <QPropertyAnimation>
#include <QResizeEvent>

#include <QtMath>

#include <cmath>

namespace {

constexpr int kMoveDelayMs = 110;

// The marker is only a picture: clicks go through it to the button below.
class SelectionMarker : public QWidget {
public:
    SelectionMarker(const QPixmap &image, QWidget *parent)
        : QWidget(parent)
        , m_image(image)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // A style sheet on the window must not paint a box behind the picture.
        setStyleSheet(QStringLiteral("background: transparent"));
        resize(image.deviceIndependentSize().toSize());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(QPoint(0, 0), m_image);
    }

private:
    QPixmap m_image;
};

} // namespace

QRectF sideBarColumnRect(
    QSizeF sideBarSize, int rows, qreal buttonsHeight, SideBar::LayoutMode mode)
{
    const qreal columnHeight = qMax(0, rows) * buttonsHeight;
    const qreal spare = sideBarSize.height() - columnHeight;
    qreal y = 0;
    switch (mode) {
    case SideBar::LayoutMode::Top:
        y = 0;
        break;
    case SideBar::LayoutMode::Centred:
        y = spare / 2;
        break;
    case SideBar::LayoutMode::Bottom:
        y = spare;
        break;
    }
    return QRectF(0, y, sideBarSize.width(), columnHeight);
}

SideBar::SideBar(QWidget *parent)
    : QWidget(parent)
    , m_matrix(new QWidget(this))
    , m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SideBar::buttonClicked);

    m_moveTimer.setSingleShot(true);
    m_moveTimer.setInterval(kMoveDelayMs);
    connect(&m_moveTimer, &QTimer::timeout, this, &SideBar::delayedMove);

    resizeMatrix();
}

SideBar::~SideBar() = default;

SideBarButton *SideBar::addButtonWithTitle(const QString &title)
{
    SideBarButton *button = addButton();
    button->setText(title);
    return button;
}

SideBarButton *SideBar::addButtonWithTitle(const QString &title, const QIcon &image)
{
    SideBarButton *button = addButtonWithTitle(title);
    button->setImage(image);
    return button;
}

SideBarButton *SideBar::addButtonWithTitle(
    const QString &title, const QIcon &image, const QIcon &alternateImage)
{
    SideBarButton *button = addButtonWithTitle(title, image);
    button->setAlternateImage(alternateImage);
    return button;
}

SideBarButton *SideBar::addButton()
{
    SideBarButton *button = m_cellFactory ? m_cellFactory(m_matrix) : nullptr;
    if (!button)
        button = new SideBarButton(m_matrix);
    else if (button->parentWidget() != m_matrix)
        button->setParent(m_matrix);
    button->setCheckable(true);

    const int row = int(m_buttons.size());
    m_buttons.append(button);
    m_group->addButton(button, row);
    // Exactly one button is selected at all times, from the first one on.
    if (row == 0)
        button->setChecked(true);
    button->show();
    resizeMatrix();
    return button;
}

void SideBar::selectButtonAtRow(int row)
{
    if (m_buttons.isEmpty())
        return;
    if (row < 0 || row >= m_buttons.size())
        row = 0;
    m_buttons.at(row)->setChecked(true);
    moveSelectionImage();
}

int SideBar::selectedRow() const
{
    return m_group->checkedId();
}

SideBarButton *SideBar::cellForItem(int row) const
{
    if (row < 0 || row >= m_buttons.size())
        return nullptr;
    return m_buttons.at(row);
}

int SideBar::numberOfRows() const
{
    return int(m_buttons.size());
}

void SideBar::setLayoutMode(LayoutMode mode)
{
    m_layoutMode = mode;
    resizeMatrix();
}

void SideBar::setButtonsHeight(qreal height)
{
    if (!(height > 0))
        return;
    m_buttonsHeight = height;
    resizeMatrix();
}

QColor SideBar::backgroundColor() const
{
    return m_backgroundColor.isValid() ? m_backgroundColor
                                       : SideBarColours::forPalette(palette()).background;
}

void SideBar::setBackgroundColor(const QColor &colour)
{
    m_backgroundColor = colour;
    update();
}

void SideBar::setCellFactory(CellFactory factory)
{
    m_cellFactory = std::move(factory);
}

void SideBar::setSidebarDelegate(QObject *delegate)
{
    m_delegate = delegate;
}

void SideBar::setSelectionImage(const QPixmap &image)
{
    if (m_markerAnimation)
        m_markerAnimation->stop();
    delete m_selectorImageView;
    if (image.isNull())
        return;
    m_selectorImageView = new SelectionMarker(image, this);
    m_selectorImageView->hide();
    m_selectorImageView->raise();
    moveSelectionImage();
}

QWidget *SideBar::selectorImageView() const
{
    return m_selectorImageView;
}

void SideBar::moveSelectionImage()
{
    m_moveTimer.start();
}

QRect SideBar::columnGeometry() const
{
    return m_matrix->geometry();
}

QSize SideBar::sizeHint() const
{
    return QSize(64, qCeil(qMax(1, numberOfRows()) * m_buttonsHeight));
}

QSize SideBar::minimumSizeHint() const
{
    return QSize(40, 0);
}

void SideBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintSideBarBackground(painter, rect(), backgroundColor());
}

void SideBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resizeMatrix();
}

void SideBar::buttonClicked(int row)
{
    moveSelectionImage();
    if (auto *delegate = dynamic_cast<SideBarDelegate *>(m_delegate.data()))
        delegate->sideBarDidSelectButton(this, row);
}

void SideBar::resizeMatrix()
{
    const QRectF column = sideBarColumnRect(size(), numberOfRows(), m_buttonsHeight, m_layoutMode);
    // Whole pixels: the top is rounded down so a centred column never drifts
    // half a point lower than the same column placed from the bottom.
    const int top = int(std::floor(column.top()));
    m_matrix->setGeometry(0, top, width(), qRound(column.height()));
    for (int row = 0; row < m_buttons.size(); ++row) {
        const int y = qRound(row * m_buttonsHeight);
        const int next = qRound((row + 1) * m_buttonsHeight);
        m_buttons.at(row)->setGeometry(0, y, width(), next - y);
    }
    updateGeometry();
    moveSelectionImage();
}

void SideBar::delayedMove()
{
    QWidget *marker = m_selectorImageView;
    SideBarButton *selected = cellForItem(selectedRow());
    if (!marker || !selected)
        return;

    const QRect row(m_matrix->mapTo(this, selected->pos()), selected->size());
    const QPoint target(
        row.right() + 1 - marker->width(), row.top() + (row.height() - marker->height()) / 2);

    if (m_markerAnimation)
        m_markerAnimation->stop();
    if (m_animateSelection && marker->isVisible() && marker->pos() != target
        && m_animationDuration > 0) {
        auto *animation = new QPropertyAnimation(marker, "pos", this);
        animation->setDuration(int(m_animationDuration * 1000));
        animation->setEndValue(target);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        m_markerAnimation = animation;
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        marker->move(target);
    }
    marker->show();
    marker->raise();
}
