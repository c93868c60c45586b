#pragma once

#include "platform/toneoutput.h"

#include <QList>
#include <QPair>

// Records the tones asked of the beep service and returns at once.
class FakeToneOutput : public platform::ToneOutput
{
public:
    void beep(quint16 frequency, quint32 durationMs) override { tones.append({frequency, durationMs}); }
    QList<QPair<quint16, quint32>> tones;
};
