#include "app/Swipes.h"

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"

#include <QGestureEvent>
#include <QNativeGestureEvent>
#include <QSwipeGesture>
#include <QWidget>

QString swipeNotificationName(double deltaX, double deltaY)
{
    if (deltaX == 1.0)
        return nf::gestureLeft;
    if (deltaX == -1.0)
        return nf::gestureRight;
    if (deltaY == 1.0)
        return nf::gestureUp;
    if (deltaY == -1.0)
        return nf::gestureDown;
    return {};
}

SwipeWatcher::SwipeWatcher(QWidget *window)
    : QObject(window)
{
    window->grabGesture(Qt::SwipeGesture);
    window->installEventFilter(this);
}

bool SwipeWatcher::swipeWithDeltas(double deltaX, double deltaY)
{
    if (!Preferences::standard().value(prefs::prefsEnableGestures))
        return false;
    const QString name = swipeNotificationName(deltaX, deltaY);
    if (name.isEmpty())
        return false;
    NotificationBus::defaultCenter().post(name);
    return true;
}

bool SwipeWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Gesture) {
        auto *gestures = static_cast<QGestureEvent *>(event);
        if (auto *swipe = static_cast<QSwipeGesture *>(gestures->gesture(Qt::SwipeGesture))) {
            if (swipe->state() == Qt::GestureFinished) {
                // A swipe to the left reports deltaX 1, as trackpads do.
                double dx = 0, dy = 0;
                if (swipe->horizontalDirection() == QSwipeGesture::Left)
                    dx = 1.0;
                else if (swipe->horizontalDirection() == QSwipeGesture::Right)
                    dx = -1.0;
                if (swipe->verticalDirection() == QSwipeGesture::Up)
                    dy = 1.0;
                else if (swipe->verticalDirection() == QSwipeGesture::Down)
                    dy = -1.0;
                swipeWithDeltas(dx, dy);
            }
            gestures->accept(swipe);
            return true;
        }
    } else if (event->type() == QEvent::NativeGesture) {
        auto *native = static_cast<QNativeGestureEvent *>(event);
        if (native->gestureType() == Qt::SwipeNativeGesture) {
            // The value is the swipe's angle in degrees: 0 right, 90 up, 180 left, 270 down.
            const int angle = qRound(native->value());
            if (angle == 180)
                swipeWithDeltas(1.0, 0);
            else if (angle == 0)
                swipeWithDeltas(-1.0, 0);
            else if (angle == 90)
                swipeWithDeltas(0, 1.0);
            else if (angle == 270)
                swipeWithDeltas(0, -1.0);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
