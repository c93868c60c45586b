#include "fakesystemclock.h"

void FakeSystemClock::set(int hour, int minute, int second, int msec)
{
    m_msecs = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
}

void FakeSystemClock::advance(int msecs)
{
    constexpr int day = 86'400'000;
    m_msecs = ((m_msecs + msecs) % day + day) % day;
}
