#pragma once

#include <QString>

namespace platform {

// Plays a wave file through the sound card in the background. A new play
// replaces the sound that is playing; nothing is ever reported to the user.
class WaveOutput
{
public:
    virtual ~WaveOutput() = default;
    // Starts the file, once or repeating until stop(), without waiting for
    // the sound card. False when it cannot be played at all (no such file,
    // no sound module); whether it really plays shows in state().
    virtual bool play(const QString &fileName, bool loop) = 0;
    virtual void stop() = 0;
    // A play is to come before long: the sound card gets ready in the
    // background. Returns at once.
    virtual void warmUp() {}

    // What became of the latest play(): Starting until the sound card takes
    // it (a short while at most), then Playing, or Failed when it cannot be
    // heard (not a sound file, no device, no or a wedged sound server, a
    // stream that failed or stalled); Idle after stop() and after the end.
    enum class State { Idle, Starting, Playing, Failed };
    virtual State state() const = 0;

    // The sound card. A bare name is looked up in the per-user data folder,
    // then beside the program, then in the current folder.
    static WaveOutput &system();
    // The file a name stands for: a name with a folder as it is; a bare name
    // the first existing file of the per-user data folder, the program's
    // folder and the current folder, or the name unchanged when none is.
    static QString locate(const QString &fileName);
};

// The user's own data files: $XDG_DATA_HOME/brenvik-timer, by default
// ~/.local/share/brenvik-timer (no trailing slash).
QString userDataFolder();

} // namespace platform
