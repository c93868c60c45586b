#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// The sound-card back end. It lives in a module of its own (brenvik-audio)
// that is loaded on the first sound, so the program does not map and
// initialise the multimedia libraries until it plays something.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;
    virtual bool playWave(const QString &path, bool loop) = 0;
    virtual void stopWave() = 0;
    // Blocks for the tone's duration; silence when there is no device.
    virtual void tone(quint16 frequency, quint32 durationMs) = 0;

    // Loads the module once; null when it or a sound device is missing.
    // The path in BRENVIK_AUDIO_MODULE overrides where it is looked for.
    static AudioBackend *instance();
};

} // namespace platform

// The module's one entry point.
extern "C" {
using BrenvikAudioBackendFactory = platform::AudioBackend *(*)();
}
