#pragma once

class QString;
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
    // At the alarm: marks the window as wanting attention until it is active;
    // where no window can be brought forward (Wayland) the text also goes out
    // as a desktop notification.
    virtual void requestAttention(QWidget *window, const QString &text) = 0;
    // The alarm has been confirmed: withdraws the notification.
    virtual void withdrawAttention(QWidget *window) = 0;

    static WindowActivation &system();
};

} // namespace platform
