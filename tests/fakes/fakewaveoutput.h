#pragma once

#include "platform/waveoutput.h"

#include <QStringList>

// Records the playback service's calls as "play NAME", "loop NAME" and "stop",
// into its own list and, when set, into a journal shared with other fakes.
// A play that is playable turns into `playingState`.
class FakeWaveOutput : public platform::WaveOutput
{
public:
    bool play(const QString &fileName, bool loop) override
    {
        record((loop ? QStringLiteral("loop ") : QStringLiteral("play ")) + fileName);
        m_state = playable ? playingState : State::Failed;
        return playable;
    }
    void stop() override
    {
        record(QStringLiteral("stop"));
        m_state = State::Idle;
    }
    State state() const override { return m_state; }
    void setState(State state) { m_state = state; }

    QStringList calls;
    QStringList *journal = nullptr;
    bool playable = true;
    State playingState = State::Playing;

private:
    State m_state = State::Idle;
    void record(const QString &call)
    {
        calls << call;
        if (journal)
            *journal << call;
    }
};
