#pragma once

#include "platform/waveoutput.h"

#include <QStringList>

// Records the playback service's calls as "play NAME", "loop NAME" and "stop",
// into its own list and, when set, into a journal shared with other fakes.
class FakeWaveOutput : public platform::WaveOutput
{
public:
    bool play(const QString &fileName, bool loop) override
    {
        record((loop ? QStringLiteral("loop ") : QStringLiteral("play ")) + fileName);
        return playable;
    }
    void stop() override { record(QStringLiteral("stop")); }

    QStringList calls;
    QStringList *journal = nullptr;
    bool playable = true;

private:
    void record(const QString &call)
    {
        calls << call;
        if (journal)
            *journal << call;
    }
};
