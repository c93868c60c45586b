#pragma once

// A point in time as a floating-point number of days; here always a time of day.
using TDateTime = double;

struct DecodedTime
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
};

constexpr int MSecsPerDay = 86'400'000;

// (h × 3 600 000 + m × 60 000 + s × 1000 + ms) / 86 400 000
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);

// Whole milliseconds of the value (exact halves to even), their magnitude,
// modulo a day, split into its parts. Not-a-number decodes as midnight.
DecodedTime DecodeTime(TDateTime time);

// Milliseconds since midnight of a time of day, by the same rounding.
int TimeToMSecs(TDateTime time);

TDateTime MSecsToTime(int msecsSinceMidnight);
