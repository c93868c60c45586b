#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// The sound-card back end. It lives in a module of its own (brenvik-audio)
// that is loaded on the first sound, so the program does not map and
// initialise the multimedia libraries until it plays something. Everything
// that talks to the sound server runs on the module's own thread: no call
// here blocks its caller for longer than a short, fixed deadline, apart from
// a tone that really sounds, which lasts its duration.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;
    // Starts the file in the background; false when it does not exist or
    // cannot be opened as a sound file. A stream that fails later is silence.
    virtual bool playWave(const QString &path, bool loop) = 0;
    virtual void stopWave() = 0;
    // Sounds the tone and returns when its time is up. False at once (or
    // after the short deadline for opening the stream) when it cannot be
    // heard: no device, no answer from the server, a failed stream.
    virtual bool tone(quint16 frequency, quint32 durationMs) = 0;
    // Opens the tone stream and lets the server start on it, so that the
    // first step of a sound lasts its written length; false as tone() is.
    virtual bool prepare() = 0;
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
