#pragma once

namespace platform {

// The local wall-clock time of day. Behind an interface so that tests set it.
class SystemClock
{
public:
    virtual ~SystemClock() = default;
    // Milliseconds since local midnight, 0 to 86 399 999.
    virtual int msecsSinceMidnight() const = 0;
    // Local wall time in milliseconds, days counted on: its remainder by a day is
    // the time of day, so a step forward tells from one back and a later day from
    // the same one.
    virtual long long localMSecs() const { return msecsSinceMidnight(); }
    // Whether the time runs on in step with the steady clock between reads,
    // as the real clock does: then what a reading showed holds for the rest
    // of its second.
    virtual bool runsInRealTime() const { return false; }

    // The real clock, shared by everything that is not handed another one.
    static SystemClock &local();
};

} // namespace platform
