#pragma once

#include "platform/systemclock.h"

// A wall clock that stands where the test puts it. Days count on from day 0.
class FakeSystemClock : public platform::SystemClock
{
public:
    explicit FakeSystemClock(int msecs = 0) : m_msecs(msecs) {}
    int msecsSinceMidnight() const override { return m_msecs; }
    long long localMSecs() const override;
    bool runsInRealTime() const override { return m_realTime; }
    // Passes for a clock that runs on by itself, while it still stands.
    void setRunsInRealTime(bool realTime) { m_realTime = realTime; }
    // These keep the day: a clock set to that time of day.
    void set(int hour, int minute, int second, int msec = 0);
    void setMSecs(int msecs) { m_msecs = msecs; }
    // Day and time of day in one: day × 86 400 000 + milliseconds.
    void setLocalMSecs(long long msecs);
    // Runs on (or back), across midnight into the next day.
    void advance(int msecs);

private:
    long long m_day = 0;
    int m_msecs = 0;
    bool m_realTime = false;
};
