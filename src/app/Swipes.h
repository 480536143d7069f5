#pragma once

#include <QObject>
#include <QString>

// Swipes become notifications when gestures are enabled. The deltas are
// tested in this order and the first match wins, so a diagonal swipe with
// deltaX 1 and deltaY 1 only counts as a swipe left.
//   deltaX  1 -> "GESTURELEFTNF"     deltaX -1 -> "GESTURERIGHTNF"
//   deltaY  1 -> "GESTUREUPNF"       deltaY -1 -> "GESTUREDOWNNF"
QString swipeNotificationName(double deltaX, double deltaY);

// Watches a window for swipe gestures (Qt's swipe gesture where the platform
// delivers one, and native swipe gestures) and posts their notifications when
// the preference "prefsEnableGestures" is on.
class SwipeWatcher : public QObject {
    Q_OBJECT
public:
    explicit SwipeWatcher(QWidget *window);

    // Posts the notification for a swipe with these deltas, if gestures are on.
    // Answers whether one was posted.
    static bool swipeWithDeltas(double deltaX, double deltaY);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
