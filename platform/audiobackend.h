#pragma once

#include "platform/waveoutput.h"

#include <QString>
#include <QtGlobal>

namespace platform {

// The sound-card back end. It lives in a module of its own (brenvik-audio)
// that is loaded on the first sound (or when an alarm with a sound is armed),
// so the program does not map and initialise the multimedia libraries until
// it is about to play something. Everything
// that talks to the sound server runs on the module's own thread: no call
// here blocks its caller for longer than a short, fixed deadline, apart from
// the waits for a sound that really plays.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;

    // Starts the file in the background, once or looping. Whether it plays
    // (a sound file, a device, a server that answers) is found out on the
    // module's thread and read through waveState().
    virtual void playWave(const QString &path, bool loop) = 0;
    virtual void stopWave() = 0;
    // What became of the latest playWave(); Idle after stopWave(). Starting
    // turns into Failed when the stream has not started within a second; a
    // stream that fails or stalls later is Failed too.
    virtual WaveOutput::State waveState() = 0;

    // Tones are placed on the tone stream's own time line, counted in
    // milliseconds from the first step of a sound, so they sound end to end
    // however late the caller hands them over, as long as it does so before
    // the stream needs them.
    //
    // Opens the tone stream (waiting for it at most a short, fixed deadline)
    // and starts a sound just ahead of what the stream has taken; false when
    // it cannot be heard: no device, no answer from the server, a failed
    // stream.
    virtual bool beginSound() = 0;
    // Places a tone of the sound; false when the stream has failed.
    virtual bool tone(quint16 frequency, qint64 atMs, qint64 durationMs) = 0;
    // Milliseconds until the stream takes the point `atMs` of the sound
    // (negative when it has passed); 0 without a stream.
    virtual qint64 msUntil(qint64 atMs) = 0;
    // Returns once the stream has taken the point `atMs`; false when it
    // failed or stalled meanwhile.
    virtual bool waitFor(qint64 atMs) = 0;
    // Ends the sound: with playOut, returns once it has played to `endMs`
    // (false when the stream failed first); without, drops what is left of
    // it. The stream closes a while after the last sound.
    virtual bool endSound(qint64 endMs, bool playOut) = 0;

    // Connects to the sound server on the module's thread, so the first
    // sound does not pay for it; returns at once.
    virtual void warmUp() = 0;

    // Lets what is queued play out for at most playOutMs, stops every stream
    // and ends the module's thread; later calls are silent. Safe to call more
    // than once.
    virtual void shutdown(int playOutMs) = 0;

    // Loads the module once; null when it is missing.
    // The path in BRENVIK_AUDIO_MODULE overrides where it is looked for.
    static AudioBackend *instance();
    // The back end if something has loaded it, without loading it.
    static AudioBackend *loaded();
};

} // namespace platform

// The module's one entry point.
extern "C" {
using BrenvikAudioBackendFactory = platform::AudioBackend *(*)();
}
