#pragma once

#include "platform/wakealarm.h"

#include <QStringList>

// Records what the wake-up timer is told: "arm HH:mm:ss" and "stop".
class FakeWakeAlarm : public platform::WakeAlarm
{
public:
    void arm(QTime time) override { calls << QStringLiteral("arm ") + time.toString(QStringLiteral("HH:mm:ss")); log(); }
    void stop() override { calls << QStringLiteral("stop"); log(); }
    QStringList calls;
    QStringList *steps = nullptr; // shared with other fakes to see the order

private:
    void log()
    {
        if (steps)
            *steps << calls.last();
    }
};
