#include "systemclock.h"

#include <QTime>

namespace platform {

namespace {

class LocalSystemClock final : public SystemClock
{
public:
    int msecsSinceMidnight() const override { return QTime::currentTime().msecsSinceStartOfDay(); }
};

} // namespace

SystemClock &SystemClock::local()
{
    static LocalSystemClock clock;
    return clock;
}

} // namespace platform
