#include "platform/audio/tonestreamstate.h"

#include <algorithm>
#include <array>
#include <utility>

namespace platform {

namespace {

using State = ToneStreamState::State;

// Every change of state there is; anything else is a fault of the caller.
constexpr std::array<std::pair<State, State>, 8> Allowed = {{
    {State::Closed, State::Opening},  // a sound asks for the stream
    {State::Opening, State::Priming}, // the stream opened
    {State::Opening, State::Failed},  // no device, no server, no stream
    {State::Priming, State::Ready},   // the server takes it, or its deadline passed
    {State::Priming, State::Failed},  // failed or stalled before that
    {State::Ready, State::Closed},    // no sound used it for a while
    {State::Ready, State::Failed},    // failed or stalled
    {State::Failed, State::Closed},   // time to try again
}};

} // namespace

bool ToneStreamState::allowed(State from, State to)
{
    return std::find(Allowed.begin(), Allowed.end(), std::pair(from, to)) != Allowed.end();
}

bool ToneStreamState::moveTo(State to, Clock::time_point now)
{
    if (!allowed(m_state, to))
        return false;
    m_state = to;
    m_since = now;
    return true;
}

} // namespace platform
