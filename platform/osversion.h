#pragma once

namespace platform {

// What the operating system offers, as far as the program's choices go.
class OsVersion
{
public:
    virtual ~OsVersion() = default;
    // True when tones go through the beep service; false when the program
    // drives the speaker ports itself.
    virtual bool beepServiceAvailable() const = 0;
    // True when a window may take the foreground by attaching input queues.
    virtual bool forcedActivationAvailable() const = 0;

    // This system: the beep service, unless BRENVIK_SPEAKER_PORTS=1 asks for the
    // ports and the process may use them.
    static OsVersion &system();
};

} // namespace platform
