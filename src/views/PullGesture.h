#pragma once

#include <QtGlobal>

#include <optional>

// The rules of pull-to-refresh and load-older, free of any window, so the
// scroll view only turns events into calls of these.
//
// Positions are in the list's "origin y": the distance in pixels from the top
// of the first row to the top of the visible area. Negative values mean the
// list is pulled down past its top; values above the last scroll position
// mean it is pushed up past its bottom.
namespace pull {

// Height of the band above the first row that holds the arrow and, while a
// refresh runs, the spinner.
inline constexpr int headerHeight = 60;

// Pull distance in pixels that arms a refresh, for a value of the preference
// prefsRefreshThreshold: 0 -> 20, 1 -> 40, 2 -> 60, anything else -> 40.
int thresholdForPreference(qint64 preferenceValue);

// The origin y at which a pull arms a refresh.
double minimumScroll(int threshold);

// Whether the list is pulled down far enough that letting go refreshes.
bool isOverRefresh(double originY, int threshold);

// Whether the list is pushed past its bottom by more than the threshold.
// The last scroll position is never above the top, so a list shorter than
// the window asks for older posts only when pushed up, never on a pull down.
bool isPastBottom(double originY, double documentHeight, double visibleHeight, int threshold);

// Where a pulled list comes to rest. While a refresh runs the header band
// counts as content: a pull at or past the threshold rests with the whole band
// shown, a shorter one stays where it was let go. Otherwise the list returns
// to its top. Positions inside the list (y > 0) are kept.
double constrainScrollY(double proposedY, bool refreshing, int threshold);

// At most one request for older posts per interval. Times are milliseconds of
// any monotonic clock the caller chooses.
class LoadOlderGuard {
public:
    static constexpr qint64 intervalMs = 2000;

    // True, and the quiet interval begins, when a request may go out now.
    bool tryRequest(qint64 nowMs);
    bool isPending(qint64 nowMs) const;
    // Ends the quiet interval early.
    void allow();

private:
    std::optional<qint64> m_sentAtMs;
};

// The rubber band at both ends of the list. It holds how far the list is
// pulled down past its top (`top`) and pushed up past its bottom (`bottom`),
// as shown on screen, and splits every scroll delta between itself and the
// list. Deltas follow the sign of QWheelEvent's: positive moves the content
// down, towards the first row.
class PullGesture {
public:
    // Finger travel past an end shows as ever less movement, never reaching
    // `reach` pixels; the first pixels move at `stiffness`.
    static constexpr double stiffness = 0.55;
    static constexpr double reach = 240.0;

    static double stretch(double travel);
    static double travelFor(double shown);

    enum class Kind {
        Travel, // finger travel on a touchpad: resisted past the ends
        Step // a wheel notch turned into pixels: moves the band as given
    };

    // Returns the part of `delta` the list should scroll itself (0 when the
    // band took all of it), or nothing when the band takes no part and the
    // list should handle the event as usual.
    std::optional<double> scroll(double delta, bool atTop, bool atBottom, Kind kind);

    double top() const { return m_top; }
    double bottom() const { return m_bottom; }
    void setTop(double shown) { m_top = shown > 0 ? shown : 0; }
    void setBottom(double shown) { m_bottom = shown > 0 ? shown : 0; }

    // While a refresh runs the header band is content: its first `span`
    // pixels at the top move without resistance.
    void setOpenSpan(double span) { m_openSpan = span > 0 ? span : 0; }
    double openSpan() const { return m_openSpan; }

private:
    double topShownFor(double travel) const;
    double topTravelFor(double shown) const;

    double m_top = 0;
    double m_bottom = 0;
    double m_openSpan = 0;
};

} // namespace pull
