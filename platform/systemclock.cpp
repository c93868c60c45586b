#include "platform/systemclock.h"

#include <QDateTime>

#include <ctime>

namespace platform {

namespace {

class LocalSystemClock final : public SystemClock
{
public:
    int msecsSinceMidnight() const override { return int(read() % MSecsPerDay); }
    long long localMSecs() const override { return read(); }
    bool runsInRealTime() const override { return true; }

private:
    static constexpr long long MSecsPerDay = 86'400'000LL;

    // A tick reads the clock several times within one second; converting to
    // local time looks at the time-zone file each time, so the conversion is
    // kept for the second it was made in. A zone change shows a second later.
    static long long read()
    {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        thread_local time_t keptSecond = -1;
        thread_local long long keptLocal = 0;
        if (ts.tv_sec != keptSecond) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(ts.tv_sec);
            keptLocal = local.date().toJulianDay() * MSecsPerDay + local.time().msecsSinceStartOfDay();
            keptSecond = ts.tv_sec;
        }
        return keptLocal + ts.tv_nsec / 1'000'000;
    }
};

} // namespace

SystemClock &SystemClock::local()
{
    static LocalSystemClock clock;
    return clock;
}

} // namespace platform
