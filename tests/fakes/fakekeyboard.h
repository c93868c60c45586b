#pragma once

#include "platform/keyboard.h"

// A keyboard whose keys are as the test says: all up, all down, or unknown.
class FakeKeyboard : public platform::Keyboard
{
public:
    std::optional<bool> keyDown(quint32) override { return down; }

    std::optional<bool> down = false;
};
