#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// The beep service. A sound (a preset, a melody) is prepare(), its steps in
// order, then finish(). Each step has its place on the output's time line,
// counted from the sound's first step, so a caller that comes late neither
// shortens nor stretches a step as long as the output can still place it.
class ToneOutput
{
public:
    virtual ~ToneOutput() = default;
    // Sounds a tone at the sound's next place. Returns when the caller is to
    // hand over the next step: for a blocking device when the tone is over,
    // for a buffered one a little before, so the next step is there in
    // time. False, at once or after a short deadline, when the tone cannot
    // be heard (no speaker device, no sound device or server, a failed
    // stream): callers then skip the rest of their sound instead of waiting
    // in silence.
    virtual bool beep(quint16 frequency, quint32 durationMs) = 0;
    // A rest at the sound's next place: how long the caller is to wait
    // (handling its events) before the next step. Outside a sound, the rest
    // itself.
    virtual quint32 rest(quint32 durationMs) { return durationMs; }
    // Called before the first step of a sound: opens and primes what the
    // tones go through and starts the sound's time line. False when no tone
    // of the sound could be heard.
    virtual bool prepare() { return true; }
    // Called after the last step: with playOut, returns once the sound has
    // been heard to its end (false when the output failed before); without
    // (the program is ending), drops what is left of it.
    virtual bool finish(bool playOut)
    {
        Q_UNUSED(playOut);
        return true;
    }

    // A sound is to come before long: what it goes through gets ready in
    // the background. Returns at once.
    virtual void warmUp() {}

    // The PC speaker's input device when it exists and opens, otherwise a
    // square wave through the sound card.
    static ToneOutput &system();

    // Where the PC speaker's input device is looked for. The environment
    // variable BRENVIK_PCSPKR overrides the default; an empty path means none.
    static QString speakerDevicePath();
    static void setSpeakerDevicePath(const QString &path);
};

} // namespace platform
