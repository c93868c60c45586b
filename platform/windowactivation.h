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
    // BringWindowToForeground: restores the window, moves it to the desktop
    // the user is on, raises and activates it; returns whether it is the
    // active window at once. Waits for nothing.
    virtual bool bringToForeground(QWidget *window) = 0;
    // At the alarm: marks the window as wanting attention until it is active;
    // unless a window of the program is seen active about half a second after
    // it was brought forward, the text also goes out as a desktop notification.
    virtual void requestAttention(QWidget *window, const QString &text) = 0;
    // The alarm has been confirmed: withdraws the notification.
    virtual void withdrawAttention(QWidget *window) = 0;

    static WindowActivation &system();
};

} // namespace platform
