#pragma once

#include "clock/trxtimer.h"

#include <QDeadlineTimer>
#include <QThread>

// Waits without serving the UI thread's events, so a handed-over tick stays in flight.
inline bool waitForHandOver(const TRxTimer &timer)
{
    QDeadlineTimer deadline(5000);
    while (!timer.handOverPending()) {
        if (deadline.hasExpired())
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}
