#pragma once

#include "desktop/IdleTimeError.h"
#include "desktop/IdleTimeSource.h"

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <optional>

// How long the user has not touched keyboard or pointer, system-wide. The
// refresh policy polls secondsIdle() once a second from the main thread.
class IdleTime {
public:
    // Takes over an opened source. Throws IdleTimeError when `source` is null.
    explicit IdleTime(std::unique_ptr<IdleTimeSource> source);
    ~IdleTime();

    IdleTime(const IdleTime &) = delete;
    IdleTime &operator=(const IdleTime &) = delete;

    // Opens the X server's screen-saver extension on `displayName` (empty:
    // $DISPLAY). Throws IdleTimeError when there is no server or no extension.
    static std::unique_ptr<IdleTime> openX11(const QByteArray &displayName = {});

    // What the program uses at start-up: on a Wayland session the desktop's
    // idle time over D-Bus, else the X11 facility; null after one log line
    // when there is none (a desktop that offers neither, a server without the
    // extension). The idle refresh is then skipped; nothing else changes.
    static std::unique_ptr<IdleTime> createForDesktop();

    // Nanoseconds since the last input. Throws IdleTimeError when the query
    // fails or answers something unreadable.
    quint64 timeIdle();

    // timeIdle() shifted right by 30 bits: a "second" of 1,073,741,824 ns, so
    // the figure runs about 7 % below real seconds. The refresh thresholds are
    // tuned to this unit.
    quint64 secondsIdle();

    // secondsIdle() for a timer handler, which must not throw: nothing when
    // the query fails. Only the first failure in a row is logged, so a
    // facility that went away costs one line, not one a second.
    std::optional<quint64> secondsIdleIfKnown();

private:
    std::unique_ptr<IdleTimeSource> m_source;
    bool m_failureLogged = false;
};

// Turns a stored idle value into nanoseconds by the rules of timeIdle().
quint64 idleNanosecondsFromValue(const IdleValue &value);

inline constexpr quint64 idleSecondsFromNanoseconds(quint64 nanoseconds)
{
    return nanoseconds >> 30;
}
