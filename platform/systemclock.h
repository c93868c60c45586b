#pragma once

namespace platform {

// The local wall-clock time of day. Behind an interface so that tests set it.
class SystemClock
{
public:
    virtual ~SystemClock() = default;
    // Milliseconds since local midnight, 0 to 86 399 999.
    virtual int msecsSinceMidnight() const = 0;

    // The real clock, shared by everything that is not handed another one.
    static SystemClock &local();
};

} // namespace platform
