#pragma once

#include <functional>

// The system's default beep for refused input; tests count it through the hook.
namespace FlatBeep {
void beep();
void setHook(std::function<void()> hook); // empty restores QApplication::beep()
} // namespace FlatBeep
