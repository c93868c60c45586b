#pragma once

#include "platform/tickcounter.h"

#include <QElapsedTimer>

// A tick counter that starts where the test puts it (just before the wrap,
// say) and then runs with real time, so event-loop waits end.
class FakeTickCounter : public platform::TickCounter
{
public:
    explicit FakeTickCounter(quint32 start = 0) : m_start(start) { m_elapsed.start(); }
    quint32 ticks() const override { return m_start + quint32(m_elapsed.elapsed()); }

private:
    quint32 m_start;
    QElapsedTimer m_elapsed;
};
