#include "views/PullHeader.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int arrowWidth = 18;
constexpr int arrowHeight = 28;
constexpr int spinnerSide = 24;
constexpr int turnMs = 150;
constexpr int spinStepMs = 80;

QColor withAlpha(QColor colour, qreal alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

PullArrow::PullArrow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());

    // A downward arrow around the origin: shaft, then a head.
    const qreal w = arrowWidth, h = arrowHeight;
    const qreal shaft = 2.5;
    const qreal headTop = h / 2 - w / 2 - 1;
    m_shape.moveTo(-shaft, -h / 2);
    m_shape.lineTo(shaft, -h / 2);
    m_shape.lineTo(shaft, headTop);
    m_shape.lineTo(w / 2, headTop);
    m_shape.lineTo(0, h / 2);
    m_shape.lineTo(-w / 2, headTop);
    m_shape.lineTo(-shaft, headTop);
    m_shape.closeSubpath();

    m_turn.setDuration(turnMs);
    m_turn.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_rotation = v.toReal();
        update();
    });
    updateBrush();
}

QSize PullArrow::sizeHint() const
{
    // Square, so the turning arrow never leaves its widget.
    return { arrowHeight + 2, arrowHeight + 2 };
}

void PullArrow::setTurned(bool turned, bool animated)
{
    if (turned == m_turned && (animated || m_turn.state() != QAbstractAnimation::Running))
        return;
    m_turned = turned;
    const qreal target = turned ? 180.0 : 0.0;
    m_turn.stop();
    if (!animated || !isVisible()) {
        m_rotation = target;
        update();
        return;
    }
    m_turn.setStartValue(m_rotation);
    m_turn.setEndValue(target);
    m_turn.start();
}

void PullArrow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(m_rotation);
    painter.fillPath(m_shape, m_brush);
}

void PullArrow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateBrush();
    QWidget::changeEvent(event);
}

void PullArrow::updateBrush()
{
    m_brush = QBrush(withAlpha(palette().color(QPalette::WindowText), 0.55));
}

PullSpinner::PullSpinner(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
    m_tick.setInterval(spinStepMs);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
    updatePens();
    hide();
}

QSize PullSpinner::sizeHint() const
{
    return { spinnerSide, spinnerSide };
}

void PullSpinner::start()
{
    show();
    if (!m_tick.isActive())
        m_tick.start();
}

void PullSpinner::stop()
{
    m_tick.stop();
    hide();
}

void PullSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal inner = spinnerSide * 0.22;
    const qreal outer = spinnerSide * 0.45;
    for (int i = 0; i < spokes; ++i) {
        // The spoke at the current step is the darkest; the others trail it.
        painter.setPen(m_pens.at((i - m_step + spokes) % spokes));
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer));
        painter.rotate(360.0 / spokes);
    }
}

void PullSpinner::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updatePens();
    QWidget::changeEvent(event);
}

void PullSpinner::updatePens()
{
    const QColor base = palette().color(QPalette::WindowText);
    m_pens.clear();
    for (int i = 0; i < spokes; ++i) {
        const qreal alpha = 0.15 + 0.7 * (spokes - i) / spokes;
        QPen pen(withAlpha(base, alpha), 2.0, Qt::SolidLine, Qt::RoundCap);
        m_pens.append(pen);
    }
}

PullHeader::PullHeader(QWidget *parent)
    : QWidget(parent)
    , m_arrow(new PullArrow(this))
    , m_spinner(new PullSpinner(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PullHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect band = rect();
    painter.fillRect(band, palette().color(QPalette::Window).darker(104));
    painter.fillRect(
        QRect(band.left(), band.bottom(), band.width(), 1), palette().color(QPalette::Mid));
}

void PullHeader::setShownHeight(int shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    placeMarks();
}

void PullHeader::resizeEvent(QResizeEvent *)
{
    placeMarks();
}

void PullHeader::placeMarks()
{
    // Centred in the shown part of the band, never above the band's centre.
    const int slice = std::clamp(m_shown, m_arrow->height(), std::max(height(), m_arrow->height()));
    const int centreY = height() - slice / 2;
    const int centreX = width() / 2;
    m_arrow->move(centreX - m_arrow->width() / 2, centreY - m_arrow->height() / 2);
    m_spinner->move(centreX - m_spinner->width() / 2, centreY - m_spinner->height() / 2);
}
