#pragma once

#include <QtGlobal>

// The refresh period in seconds for the preference value (0-4; anything
// else is 60 seconds).
inline quint64 refreshIntervalSeconds(qint64 preference)
{
    switch (preference) {
    case 0:
        return 30;
    case 1:
        return 60;
    case 2:
        return 300;
    case 3:
        return 600;
    case 4:
        return 1800;
    default:
        return 60;
    }
}

// Whether the idle poll refreshes at `secondsIdle` for the period `interval`:
// after 29 seconds, when the quotient equals the remainder. That fires at
// k * (interval + 1) for k = 1 .. interval - 1 and then never again.
inline bool shouldRefreshWhileIdle(quint64 secondsIdle, quint64 interval)
{
    if (secondsIdle <= 29 || interval == 0)
        return false;
    return secondsIdle / interval == secondsIdle % interval;
}
