#pragma once

#include <QtGlobal>

namespace platform {

// A millisecond counter that wraps from 4294967295 to 0. Only differences
// (modulo 2^32) of its readings mean anything.
class TickCounter
{
public:
    virtual ~TickCounter() = default;
    virtual quint32 ticks() const = 0;

    // Milliseconds of the monotonic clock, truncated to 32 bits.
    static TickCounter &system();
};

} // namespace platform
