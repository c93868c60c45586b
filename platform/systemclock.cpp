#include "systemclock.h"

#include <QDateTime>

namespace platform {

namespace {

class LocalSystemClock final : public SystemClock
{
public:
    int msecsSinceMidnight() const override { return QTime::currentTime().msecsSinceStartOfDay(); }
    long long localMSecs() const override
    {
        const QDateTime now = QDateTime::currentDateTime();
        return now.date().toJulianDay() * 86'400'000LL + now.time().msecsSinceStartOfDay();
    }
};

} // namespace

SystemClock &SystemClock::local()
{
    static LocalSystemClock clock;
    return clock;
}

} // namespace platform
