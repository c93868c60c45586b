#include "clock/tdatetime.h"

#include <cmath>

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    return (hour * 3'600'000.0 + minute * 60'000.0 + second * 1000.0 + msec) / MSecsPerDay;
}

int TimeToMSecs(TDateTime time)
{
    if (std::isnan(time))
        return 0;
    // nearbyint rounds halves to even in the default rounding mode; fmod is exact,
    // so huge values stay correct without an integer overflow.
    const double msecs = std::fabs(std::nearbyint(time * MSecsPerDay));
    if (std::isinf(msecs))
        return 0;
    return int(std::fmod(msecs, double(MSecsPerDay)));
}

DecodedTime DecodeTime(TDateTime time)
{
    const int ms = TimeToMSecs(time);
    return {ms / 3'600'000, (ms / 60'000) % 60, (ms % 60'000) / 1000, ms % 1000};
}

TDateTime MSecsToTime(int msecsSinceMidnight)
{
    return double(msecsSinceMidnight) / MSecsPerDay;
}
