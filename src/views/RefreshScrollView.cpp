#include "views/RefreshScrollView.h"

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "views/PullHeader.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace {

qint64 monotonicMs()
{
    static const QElapsedTimer since = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return since.elapsed();
}

} // namespace

RefreshScrollView::RefreshScrollView(QAbstractItemView *list, QWidget *parent)
    : QWidget(parent)
    , m_list(list)
    , m_header(new PullHeader(this))
    , m_clock(&monotonicMs)
{
    Q_ASSERT(list);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    list->setParent(this);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->show();
    list->viewport()->installEventFilter(this);
    setFocusProxy(list);
    m_header->hide();

    // Every change of the list's own position is a bounds change as much as
    // a change of the pull.
    QScrollBar *bar = list->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] {
        listMoved();
        viewBoundsChanged();
    });
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        listMoved();
        viewBoundsChanged();
    });

    m_settle.setDuration(settleMs);
    m_settle.setEasingCurve(QEasingCurve::OutCubic);
    m_settle.setStartValue(0.0);
    m_settle.setEndValue(1.0);
    connect(&m_settle, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        const double progress = value.toDouble();
        m_gesture.setTop(m_settleFromTop + (m_settleToTop - m_settleFromTop) * progress);
        m_gesture.setBottom(m_settleFromBottom * (1.0 - progress));
        viewBoundsChanged();
    });
    connect(&m_settle, &QAbstractAnimation::finished, this, [this] {
        m_settling = false;
        viewBoundsChanged();
    });

    m_wheelRelease.setSingleShot(true);
    m_wheelRelease.setInterval(wheelReleaseMs);
    connect(&m_wheelRelease, &QTimer::timeout, this, [this] { letGo(); });

    m_fingerSilence.setSingleShot(true);
    m_fingerSilence.setInterval(fingerSilenceMs);
    connect(&m_fingerSilence, &QTimer::timeout, this, [this] {
        if (m_fingersDown)
            letGo();
    });
}

RefreshScrollView::~RefreshScrollView()
{
    // The list goes first, while this object can still take its last signals.
    m_settle.stop();
    m_wheelRelease.stop();
    m_fingerSilence.stop();
    if (m_list) {
        m_list->viewport()->removeEventFilter(this);
        disconnect(m_list->verticalScrollBar(), nullptr, this, nullptr);
        delete m_list.data();
    }
}

void RefreshScrollView::startLoading()
{
    // A second refresh while one runs would only load the same page twice.
    if (m_isRefreshing)
        return;
    m_isRefreshing = true;
    m_overRefreshView = false;
    m_gesture.setOpenSpan(pull::headerHeight);
    Q_EMIT isRefreshingChanged(true);
    m_header->arrow()->hide();
    m_header->spinner()->start();
    if (m_refreshBlock)
        m_refreshBlock(this);
    NotificationBus::defaultCenter().post(nf::refresh);
}

void RefreshScrollView::stopLoading()
{
    m_header->spinner()->stop();
    m_header->arrow()->show();
    m_header->arrow()->setTurned(false, false);
    const bool wasRefreshing = m_isRefreshing;
    m_isRefreshing = false;
    m_overRefreshView = false;
    m_gesture.setOpenSpan(0);
    if (wasRefreshing)
        Q_EMIT isRefreshingChanged(false);
    // A pull still under the user's hand is theirs to let go; otherwise the
    // band slides away. The list's own position is left where the user put it.
    if (m_fingersDown || m_wheelRelease.isActive())
        viewBoundsChanged();
    else
        settle();
}

int RefreshScrollView::refreshThreshold() const
{
    return pull::thresholdForPreference(
        Preferences::standard().value(prefs::prefsRefreshThreshold));
}

double RefreshScrollView::minimumScroll() const
{
    return pull::minimumScroll(refreshThreshold());
}

bool RefreshScrollView::isLoadingOld() const
{
    return m_loadOlderGuard.isPending(m_clock());
}

void RefreshScrollView::setLoadingOldAllowerd()
{
    m_loadOlderGuard.allow();
}

int RefreshScrollView::originY() const
{
    const int listY = m_list ? m_list->verticalScrollBar()->value() : 0;
    return listY - int(std::lround(m_gesture.top())) + int(std::lround(m_gesture.bottom()));
}

QWidget *RefreshScrollView::refreshHeader() const
{
    return m_header;
}

PullArrow *RefreshScrollView::refreshArrow() const
{
    return m_header->arrow();
}

PullSpinner *RefreshScrollView::refreshSpinner() const
{
    return m_header->spinner();
}

void RefreshScrollView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&monotonicMs);
}

bool RefreshScrollView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && m_list && watched == m_list->viewport())
        return handleWheel(static_cast<QWheelEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

void RefreshScrollView::resizeEvent(QResizeEvent *)
{
    placeChildren();
}

bool RefreshScrollView::handleWheel(QWheelEvent *event)
{
    const QPoint pixels = event->pixelDelta();
    const bool usePixels = !pixels.isNull();
    const QPoint delta2d = usePixels ? pixels : event->angleDelta();
    // Sideways scrolling belongs to the list alone.
    if (std::abs(delta2d.y()) < std::abs(delta2d.x()))
        return false;
    const double delta = usePixels ? delta2d.y() : delta2d.y() * double(wheelNotchPull) / 120.0;
    const bool banded = m_gesture.top() > 0 || m_gesture.bottom() > 0;

    switch (event->phase()) {
    case Qt::ScrollBegin:
    case Qt::ScrollUpdate:
        stopSettling();
        m_fingersDown = true;
        m_fingerSilence.start();
        return applyToBand(delta, usePixels, true);
    case Qt::ScrollMomentum:
        // The first momentum event means the fingers have left the touchpad.
        // Momentum only ever moves the list, never the band.
        if (m_fingersDown)
            letGo();
        return banded;
    case Qt::ScrollEnd:
        if (m_fingersDown)
            letGo();
        return banded;
    case Qt::NoScrollPhase:
        break;
    }

    // A wheel without phases: the pull is held while the wheel turns.
    if (!m_wheelRelease.isActive())
        m_wheelRunStartedAtTop = listAtTop();
    m_wheelRelease.start();
    if (banded)
        stopSettling();
    return applyToBand(delta, usePixels, m_wheelRunStartedAtTop || m_isRefreshing);
}

bool RefreshScrollView::applyToBand(double delta, bool pixels, bool mayPullTop)
{
    const auto kind = pixels ? pull::PullGesture::Kind::Travel : pull::PullGesture::Kind::Step;
    const std::optional<double> rest
        = m_gesture.scroll(delta, mayPullTop && listAtTop(), listAtBottom(), kind);
    if (!rest)
        return false;
    const long listDelta = std::lround(*rest);
    if (listDelta != 0) {
        QScrollBar *bar = m_list->verticalScrollBar();
        bar->setValue(bar->value() - int(listDelta));
    }
    viewBoundsChanged();
    return true;
}

void RefreshScrollView::viewBoundsChanged()
{
    placeChildren();
    if (m_isRefreshing)
        return;
    // A band sliding back on its own is not a pull: it neither arms a refresh
    // nor asks for older posts, and the arrow stays upright.
    const bool over = m_settling ? false : overRefreshView();
    m_overRefreshView = over;
    m_header->arrow()->setTurned(over);
}

bool RefreshScrollView::overRefreshView()
{
    if (!m_list)
        return false;
    const QScrollBar *bar = m_list->verticalScrollBar();
    // A range that shrank under the rows (posts removed, rows laid out
    // again) leaves the value past its end for a moment: that is no pull.
    if (bar->value() > bar->maximum())
        return false;
    const int threshold = refreshThreshold();
    const int y = originY();
    const double visible = m_list->viewport()->height();
    const double document = double(bar->maximum() - bar->minimum()) + visible;
    if (pull::isPastBottom(y - bar->minimum(), document, visible, threshold)
        && m_loadOlderGuard.tryRequest(m_clock()))
        NotificationBus::defaultCenter().post(nf::loadOlderPosts);
    return pull::isOverRefresh(y - bar->minimum(), threshold);
}

void RefreshScrollView::listMoved()
{
    // The band only ever sits beyond an end of the list. When the rows are
    // scrolled from elsewhere (a reload bringing the selection into view, the
    // scroll bar, the keyboard), the band above or below them is scrolled
    // away with them, as content above the first row would be.
    const bool topGone = m_gesture.top() > 0 && !listAtTop();
    const bool bottomGone = m_gesture.bottom() > 0 && !listAtBottom();
    if (!topGone && !bottomGone)
        return;
    stopSettling();
    if (topGone)
        m_gesture.setTop(0);
    if (bottomGone)
        m_gesture.setBottom(0);
}

void RefreshScrollView::letGo()
{
    m_fingersDown = false;
    m_fingerSilence.stop();
    m_wheelRelease.stop();
    if (m_overRefreshView && !m_isRefreshing)
        startLoading();
    settle();
}

void RefreshScrollView::settle()
{
    double toTop = 0;
    if (m_gesture.top() > 0) {
        const double proposedY = -std::round(m_gesture.top());
        toTop = -pull::constrainScrollY(proposedY, m_isRefreshing, refreshThreshold());
    }
    if (std::abs(toTop - m_gesture.top()) < 0.5 && m_gesture.bottom() < 0.5) {
        m_gesture.setTop(toTop);
        m_gesture.setBottom(0);
        viewBoundsChanged();
        return;
    }
    m_settle.stop();
    m_settleFromTop = m_gesture.top();
    m_settleFromBottom = m_gesture.bottom();
    m_settleToTop = toTop;
    m_settling = true;
    m_settle.start();
}

void RefreshScrollView::stopSettling()
{
    if (m_settle.state() == QAbstractAnimation::Running)
        m_settle.stop();
    m_settling = false;
}

void RefreshScrollView::placeChildren()
{
    if (!m_list)
        return;
    const int top = int(std::lround(m_gesture.top()));
    const int bottom = int(std::lround(m_gesture.bottom()));
    // Only the list's position changes with the pull, never its size, so a
    // pull costs no layout of the rows.
    m_list->setGeometry(0, top - bottom, width(), height());
    if (top > 0) {
        m_header->setGeometry(0, top - pull::headerHeight, width(), pull::headerHeight);
        m_header->setShownHeight(top);
        m_header->show();
    } else {
        m_header->hide();
    }
}

bool RefreshScrollView::listAtTop() const
{
    const QScrollBar *bar = m_list->verticalScrollBar();
    return bar->value() <= bar->minimum();
}

bool RefreshScrollView::listAtBottom() const
{
    const QScrollBar *bar = m_list->verticalScrollBar();
    return bar->value() >= bar->maximum();
}
