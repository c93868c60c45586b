#pragma once

#include "platform/systemclock.h"

// A wall clock that stands where the test puts it.
class FakeSystemClock : public platform::SystemClock
{
public:
    explicit FakeSystemClock(int msecs = 0) : m_msecs(msecs) {}
    int msecsSinceMidnight() const override { return m_msecs; }
    void set(int hour, int minute, int second, int msec = 0);
    void setMSecs(int msecs) { m_msecs = msecs; }
    void advance(int msecs);

private:
    int m_msecs = 0;
};
