#pragma once

class QWidget;

namespace platform {

// Brings a window back from the task bar and into the foreground, as far as
// the desktop lets a program do that.
class WindowActivation
{
public:
    virtual ~WindowActivation() = default;

    // Shows a minimised window in its normal state again.
    virtual void restore(QWidget *window) = 0;
    // BringWindowToForeground: restores, raises and activates the window;
    // returns whether it is the active window afterwards.
    virtual bool bringToForeground(QWidget *window) = 0;

    static WindowActivation &system();
};

} // namespace platform
