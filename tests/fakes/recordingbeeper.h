#pragma once

#include "sound/tspeakerbeeper.h"

#include <QStringList>

// A beeper that records each step as "frequency/duration" instead of
// sounding it, into its own list and, when set, a shared journal.
class RecordingBeeper : public TSpeakerBeeper
{
public:
    explicit RecordingBeeper(QObject *owner = nullptr) : TSpeakerBeeper(owner, services()) {}
    void PlayTone(quint16 frequency, qint32 duration) override
    {
        const QString step = QStringLiteral("%1/%2").arg(frequency).arg(duration);
        steps << step;
        if (journal)
            *journal << step;
    }
    QStringList steps;
    QStringList *journal = nullptr;

private:
    static Services services();
};
