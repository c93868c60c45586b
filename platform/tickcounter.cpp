#include "platform/tickcounter.h"

#include <time.h>

namespace platform {

namespace {

class MonotonicTickCounter final : public TickCounter
{
public:
    quint32 ticks() const override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const quint64 msecs = quint64(now.tv_sec) * 1000u + quint64(now.tv_nsec) / 1000000u;
        return quint32(msecs);
    }
};

} // namespace

TickCounter &TickCounter::system()
{
    static MonotonicTickCounter counter;
    return counter;
}

} // namespace platform
