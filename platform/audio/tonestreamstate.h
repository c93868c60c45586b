#pragma once

#include <chrono>

namespace platform {

// Where the tone stream stands. The UI thread asks for the stream and the
// audio thread opens, primes and closes it, so both change this, each under
// the stream's lock and only through moveTo(), which knows the allowed
// transitions and stamps when the present state began. Not thread-safe: the
// caller locks.
class ToneStreamState
{
public:
    using Clock = std::chrono::steady_clock;

    enum class State {
        Closed,  // no stream; the next sound asks for one
        Opening, // the audio thread looks up the device and opens the stream
        Priming, // open; the server has yet to start taking it
        Ready,   // takes the sound's steps
        Failed,  // did not open, or failed or stalled; tried again after a while
    };

    State state() const { return m_state; }
    // When the present state began.
    Clock::time_point since() const { return m_since; }

    // Moves to `to`, stamped `now`, when that transition is allowed; false,
    // changing nothing, when it is not.
    bool moveTo(State to, Clock::time_point now);
    static bool allowed(State from, State to);

private:
    State m_state = State::Closed;
    Clock::time_point m_since{};
};

} // namespace platform
