#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// The beep service: sounds one tone and returns when it is over. It blocks the
// calling thread for the whole duration and processes no messages.
class ToneOutput
{
public:
    virtual ~ToneOutput() = default;
    // False, at once or after a short deadline, when the tone cannot be
    // heard (no speaker device, no sound device or server, a failed stream):
    // callers then skip the rest of their sound instead of waiting in silence.
    virtual bool beep(quint16 frequency, quint32 durationMs) = 0;
    // Called before the first step of a sound: opens and primes what the
    // tones go through, so that the first step lasts its written length.
    // False when no tone of the sound could be heard.
    virtual bool prepare() { return true; }

    // The PC speaker's input device when it exists and opens, otherwise a
    // square wave through the sound card.
    static ToneOutput &system();

    // Where the PC speaker's input device is looked for. The environment
    // variable BRENVIK_PCSPKR overrides the default; an empty path means none.
    static QString speakerDevicePath();
    static void setSpeakerDevicePath(const QString &path);
};

} // namespace platform
