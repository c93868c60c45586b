#pragma once

#include "platform/timechangewatcher.h"

// Says that the system clock was set when the test sets its fake clock.
class FakeTimeChangeWatcher : public platform::TimeChangeWatcher
{
public:
    bool active() const override { return true; }
    void clockWasSet() { emit timeChanged(); }
};
