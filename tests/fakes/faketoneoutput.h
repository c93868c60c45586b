#pragma once

#include "platform/toneoutput.h"

#include <QList>
#include <QPair>

// Records the tones asked of the beep service and returns at once. With
// heardTones set, only that many tones are heard; the later ones fail. With
// preparable false, no sound can get ready.
class FakeToneOutput : public platform::ToneOutput
{
public:
    bool beep(quint16 frequency, quint32 durationMs) override
    {
        tones.append({frequency, durationMs});
        return heardTones < 0 || tones.size() <= heardTones;
    }
    bool prepare() override
    {
        ++prepares;
        return preparable;
    }
    QList<QPair<quint16, quint32>> tones;
    qsizetype heardTones = -1;
    bool preparable = true;
    int prepares = 0;
};
