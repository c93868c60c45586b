#pragma once

#include <QWidget>

#include <functional>
#include <memory>

// The main window as the start-up sequence sees it.
struct MainWindowParts
{
    std::unique_ptr<QWidget> window;
    // Whether an alarm is armed, i.e. whether closing needs the question.
    std::function<bool()> alarmArmed;
    // Asks the close question; true when the window may close.
    std::function<bool()> closeQuery;
};

using MainWindowFactory = std::function<MainWindowParts()>;
// Suspends the user-interface thread without handling a message.
using Pause = std::function<void(unsigned long msecs)>;

// The pause during which the splash window stands after the main window exists.
inline constexpr unsigned long SplashPauseMSecs = 1500;

// Shows the splash window, creates the main window, pauses, removes the splash,
// shows the main window and runs the event loop until it has closed. Returns the
// process's exit code: 0, or 1 when creating the main window failed (reported
// with the application's error report). Needs a QApplication.
int runApplication(const MainWindowFactory &createMainWindow, const Pause &pause = {});

// The answer to the session's question whether the program may end (log-out,
// shut-down): asks the close question only with an alarm armed and when the
// session lets the program interact with the user.
bool sessionMayEnd(const MainWindowParts &main, const std::function<bool()> &allowsInteraction);
