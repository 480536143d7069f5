#include "views/PullGesture.h"

#include <algorithm>

namespace pull {

int thresholdForPreference(qint64 preferenceValue)
{
    switch (preferenceValue) {
    case 0:
        return 20;
    case 1:
        return 40;
    case 2:
        return 60;
    default:
        return 40;
    }
}

double minimumScroll(int threshold)
{
    return -double(threshold);
}

bool isOverRefresh(double originY, int threshold)
{
    return originY <= minimumScroll(threshold);
}

bool isPastBottom(double originY, double documentHeight, double visibleHeight, int threshold)
{
    const double lastScroll = std::max(0.0, documentHeight - visibleHeight);
    return originY > lastScroll + threshold;
}

double constrainScrollY(double proposedY, bool refreshing, int threshold)
{
    if (refreshing && proposedY <= 0)
        return proposedY <= minimumScroll(threshold) ? -double(headerHeight) : proposedY;
    return std::max(proposedY, 0.0);
}

bool LoadOlderGuard::tryRequest(qint64 nowMs)
{
    if (isPending(nowMs))
        return false;
    m_sentAtMs = nowMs;
    return true;
}

bool LoadOlderGuard::isPending(qint64 nowMs) const
{
    return m_sentAtMs && nowMs - *m_sentAtMs < intervalMs;
}

void LoadOlderGuard::allow()
{
    m_sentAtMs.reset();
}

// shown = reach * (1 - 1 / (1 + travel * stiffness / reach)): slope `stiffness`
// at the start, flattening towards `reach`.
double PullGesture::stretch(double travel)
{
    if (travel <= 0)
        return 0;
    return reach * (1.0 - 1.0 / (1.0 + travel * stiffness / reach));
}

double PullGesture::travelFor(double shown)
{
    if (shown <= 0)
        return 0;
    // Just short of the asymptote, so the inverse always exists.
    const double s = std::min(shown, reach * 0.999);
    return reach / stiffness * (1.0 / (1.0 - s / reach) - 1.0);
}

double PullGesture::topShownFor(double travel) const
{
    if (travel <= m_openSpan)
        return travel;
    return m_openSpan + stretch(travel - m_openSpan);
}

double PullGesture::topTravelFor(double shown) const
{
    if (shown <= m_openSpan)
        return shown;
    return m_openSpan + travelFor(shown - m_openSpan);
}

std::optional<double> PullGesture::scroll(double delta, bool atTop, bool atBottom, Kind kind)
{
    // Wheel steps stop short of the band's reach, as finger travel does.
    const double stepLimit = reach * 0.9;

    if (m_top > 0 || (atTop && delta > 0)) {
        double shown = 0;
        double rest = 0;
        if (kind == Kind::Travel) {
            const double travel = topTravelFor(m_top) + delta;
            shown = travel > 0 ? topShownFor(travel) : 0;
            rest = std::min(travel, 0.0);
        } else {
            const double step = m_top + delta;
            shown = std::clamp(step, 0.0, m_openSpan + stepLimit);
            rest = std::min(step, 0.0);
        }
        m_top = shown;
        return rest;
    }

    if (m_bottom > 0 || (atBottom && delta < 0)) {
        double shown = 0;
        double rest = 0;
        if (kind == Kind::Travel) {
            const double travel = travelFor(m_bottom) - delta;
            shown = travel > 0 ? stretch(travel) : 0;
            rest = -std::min(travel, 0.0);
        } else {
            const double step = m_bottom - delta;
            shown = std::clamp(step, 0.0, stepLimit);
            rest = -std::min(step, 0.0);
        }
        m_bottom = shown;
        return rest;
    }

    return std::nullopt;
}

} // namespace pull
