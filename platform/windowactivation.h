#pragma once

#include <QString>

class QWidget;

namespace platform {

// What a launcher hands the program it starts, so that the desktop can end its
// "starting" feedback and let the window come forward: the X11 startup id
// (DESKTOP_STARTUP_ID) and the Wayland activation token (XDG_ACTIVATION_TOKEN).
struct StartupToken
{
    QString startupId;
    QString activationToken;

    bool isEmpty() const { return startupId.isEmpty() && activationToken.isEmpty(); }
    bool operator==(const StartupToken &) const = default;
    // Read before the application object exists: it takes them out of the environment.
    static StartupToken fromEnvironment();
    // What may be used of a token that came from elsewhere: printable text
    // of a sane length, else nothing.
    StartupToken checked() const;
};

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
    // A later start was launched with this token and handed it over: ends the
    // launcher's feedback (X11) or lets the next bringToForeground use it (Wayland).
    virtual void completeStartup(QWidget *window, const StartupToken &token) = 0;

    static WindowActivation &system();
};

} // namespace platform
