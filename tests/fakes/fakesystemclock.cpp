#include "tests/fakes/fakesystemclock.h"

namespace {
constexpr long long day = 86'400'000;
}

long long FakeSystemClock::localMSecs() const
{
    return m_day * day + m_msecs;
}

void FakeSystemClock::set(int hour, int minute, int second, int msec)
{
    m_msecs = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
}

void FakeSystemClock::setLocalMSecs(long long msecs)
{
    m_msecs = int(((msecs % day) + day) % day);
    m_day = (msecs - m_msecs) / day;
}

void FakeSystemClock::advance(int msecs)
{
    setLocalMSecs(localMSecs() + msecs);
}
