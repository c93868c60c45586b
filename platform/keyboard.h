#pragma once

#include <QtGlobal>

#include <optional>

namespace platform {

// The keyboard as the display server sees it now, beside the key events that
// reach the program: a held key's repeats can arrive as releases and presses.
class Keyboard
{
public:
    virtual ~Keyboard() = default;

    // Whether the key with this native scan code (a key event's) is down now;
    // nothing where the platform cannot tell.
    virtual std::optional<bool> keyDown(quint32 nativeScanCode) = 0;

    static Keyboard &system();
};

} // namespace platform
