#include "platform/keyboard.h"

#include "platform/x11window.h"

namespace platform {

namespace {

class DisplayKeyboard final : public Keyboard
{
public:
    std::optional<bool> keyDown(quint32 nativeScanCode) override { return x11::keyDown(nativeScanCode); }
};

} // namespace

Keyboard &Keyboard::system()
{
    static DisplayKeyboard keyboard;
    return keyboard;
}

} // namespace platform
