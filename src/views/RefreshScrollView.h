#pragma once

#include "views/PullGesture.h"

#include <QAbstractItemView>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

class QWheelEvent;
class PullArrow;
class PullHeader;
class PullSpinner;

// Pull-to-refresh and load-older around any item view.
//
// The view wraps the list it is given: the list becomes its child and fills
// it, and its viewport's wheel events pass through here first. Pulling the
// list down past its first row moves the list down with resistance and shows
// the header band above it; letting go past the threshold posts "REFRESHNF"
// and holds the band open until stopLoading(). Pushing past the last row by
// more than the threshold posts "LOADOLDERPOSTSNF", at most once per 2 s.
//
// Touchpads that report scroll phases drive the pull directly; lifting the
// fingers lets go. Mouse wheels (and touchpads without phases) pull by
// holding the wheel: with the list resting at its first row, turning the
// wheel further up pulls the band down 15 pixels a notch, and the pull is
// let go when the wheel has been still for wheelReleaseMs. A wheel run that
// started lower down stops at the first row and does not pull, so a fast
// scroll to the top never refreshes by accident.
//
// The list is switched to per-pixel scrolling so the pull and the list move
// in the same units.
class RefreshScrollView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
public:
    using RefreshBlock = std::function<void(RefreshScrollView *)>;
    using Clock = std::function<qint64()>; // monotonic milliseconds

    static constexpr int wheelNotchPull = 15;
    static constexpr int wheelReleaseMs = 250;
    static constexpr int settleMs = 250;
    // A touchpad pull whose end never arrives is let go after this silence,
    // so a lost event cannot leave the band hanging.
    static constexpr int fingerSilenceMs = 1000;

    explicit RefreshScrollView(QAbstractItemView *list, QWidget *parent = nullptr);
    ~RefreshScrollView() override;

    QAbstractItemView *list() const { return m_list; }

    // Begins a refresh: hides the arrow, shows the spinner, calls the refresh
    // block and posts "REFRESHNF". Does nothing while a refresh runs.
    void startLoading();
    // Ends a refresh: the arrow shows upright again and the header band
    // slides away. Called by the stream loader after every load; without a
    // running refresh it only resets the arrow and settles any pull.
    void stopLoading();

    // Pull distance that arms a refresh, read from prefsRefreshThreshold on
    // every call so a changed preference applies to the next scroll.
    int refreshThreshold() const;
    double minimumScroll() const;

    bool isRefreshing() const { return m_isRefreshing; }
    // A request for older posts went out less than 2 s ago.
    bool isLoadingOld() const;
    // Allows the next request for older posts at once.
    void setLoadingOldAllowerd();

    void setRefreshBlock(RefreshBlock block) { m_refreshBlock = std::move(block); }
    const RefreshBlock &refreshBlock() const { return m_refreshBlock; }

    // True while letting go would refresh (the arrow is turned over).
    bool isOverRefresh() const { return m_overRefreshView; }
    // The list's scroll position less the pull at the top plus the push past
    // the bottom: negative while pulled down past the first row.
    int originY() const;
    // Nothing will move on its own: no slide under way and no wheel run
    // waiting to be let go.
    bool isAtRest() const
    {
        return m_settle.state() != QAbstractAnimation::Running && !m_wheelRelease.isActive();
    }

    QWidget *refreshHeader() const;
    PullArrow *refreshArrow() const;
    PullSpinner *refreshSpinner() const;

    // Replaces the clock of the load-older guard (tests).
    void setClock(Clock clock);

Q_SIGNALS:
    void isRefreshingChanged(bool refreshing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool handleWheel(QWheelEvent *event);
    bool applyToBand(double delta, bool pixels, bool mayPullTop);
    // Evaluates the position after every change of it: the arrow, the
    // over-threshold state and the load-older request.
    void viewBoundsChanged();
    bool overRefreshView();
    void listMoved();
    void letGo();
    void settle();
    void stopSettling();
    void placeChildren();
    bool listAtTop() const;
    bool listAtBottom() const;

    QPointer<QAbstractItemView> m_list;
    PullHeader *m_header = nullptr;

    pull::PullGesture m_gesture;
    pull::LoadOlderGuard m_loadOlderGuard;
    Clock m_clock;
    RefreshBlock m_refreshBlock;

    QVariantAnimation m_settle;
    double m_settleFromTop = 0;
    double m_settleFromBottom = 0;
    double m_settleToTop = 0;
    bool m_settling = false;

    QTimer m_wheelRelease;
    QTimer m_fingerSilence;
    bool m_wheelRunStartedAtTop = false;
    bool m_fingersDown = false;

    bool m_overRefreshView = false;
    bool m_isRefreshing = false;
};
