#pragma once

#include <QString>

namespace platform {

// Plays a wave file through the sound card in the background. A new play
// replaces the sound that is playing; nothing is ever reported to the user.
class WaveOutput
{
public:
    virtual ~WaveOutput() = default;
    // Starts the file, once or repeating until stop(). False when it cannot be
    // played (missing, not a wave file, no sound device): the result is silence.
    virtual bool play(const QString &fileName, bool loop) = 0;
    virtual void stop() = 0;

    // The sound card. A bare name is looked up in the current folder, then
    // beside the program.
    static WaveOutput &system();
};

} // namespace platform
